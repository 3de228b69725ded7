// The skinned push button of the settings dialog: its hover/focus/press state machine and the
// rules of its face (gradient, eight border slices, caption place). Portable; the Win32 control
// binds it to a window, a label, a timer and GDI through CommandHost.
#pragma once

#include <array>
#include <cstdint>
#include <string>

enum ButtonState : uint8_t {
    StateUnset = 0,            // created, Initialize not yet called
    StateNormal = 1,           // neither focused nor under the pointer
    StateHighLight = 2,        // under the pointer, not focused
    StateSelected = 3,         // focused, pointer elsewhere
    StateHighLightSelect = 4,  // focused and under the pointer
};

// The six skin pictures a face is painted from.
enum class Skin { Normal, HighLight, Pressed, Selected, HighLightSelect, Disable };

enum class MouseButton { Left, Right, Middle };

// What the button asks of its surroundings.
class CommandHost {
public:
    virtual ~CommandHost() = default;
    virtual void DrawSkin(Skin skin) = 0;  // repaint the whole face (see FaceLayout)
    virtual void SetCaptionEnabled(bool enabled) = 0;
    virtual void SetCaptionColour(uint32_t colour) = 0;
    virtual uint32_t CaptionColour() = 0;
    virtual void StartPolling(unsigned intervalMs) = 0;  // the hover timer
    virtual void SetBackgroundOpaque(bool opaque) = 0;
    virtual bool BackgroundOpaque() = 0;
    virtual void PropertyChanged(const char* name) = 0;  // the host's saved layout is modified
    virtual void RaiseClick() = 0;
    // The caption label's text and font (a font is described by one text, e.g. "name,9.75,0,128").
    virtual std::string CaptionText() = 0;
    virtual void SetCaptionText(const std::string& text) = 0;
    virtual std::string CaptionFont() = 0;
    virtual void SetCaptionFont(const std::string& font) = 0;
    virtual std::string AmbientFont() = 0;  // the container's font
};

// The host's saved layout for one instance. A value equal to its default is not stored, and a
// missing key reads as its default.
class PropertyBag {
public:
    virtual ~PropertyBag() = default;
    virtual bool Read(const std::string& key, std::string& value) = 0;  // false when missing
    virtual void Write(const std::string& key, const std::string& value) = 0;
    virtual void Remove(const std::string& key) = 0;
};

class Command {
public:
    explicit Command(CommandHost& host) : host_(host) {}

    uint8_t mState = StateUnset;
    int16_t mEnabled = 0;   // -1 true, 0 false
    uint8_t mFirstRun = 0;  // 0 until the first read of Enabled (or a loaded layout) sets 1
    int16_t mLeftDown = 0;  // the left button went down here and has not come up

    // Called once by the container after its form has loaded: hover polling every 100 ms.
    void Initialize();

    void SetVisible(uint8_t New_Visible);
    uint8_t Visible();
    void SetFontColour(uint32_t New_FontColour);
    uint32_t FontColour();
    bool Enabled();
    void SetEnabled(bool New_Enabled);
    std::string Caption();
    void SetCaption(const std::string& New_Caption);
    std::string Font();
    void SetFont(const std::string& New_Font);

    // The host's persistence handlers: keys "Enabled", "Caption", "Font", "FirstRun",
    // "FontColour", "Visible", each in its own order, then ResetFace.
    void ReadProperties(PropertyBag& bag);
    void WriteProperties(PropertyBag& bag);

    // Events, from the control's surface or its caption label.
    void MouseDown(MouseButton button);
    void MouseMove();
    void MouseUp(MouseButton button);
    // The press ended without a release here (the mouse was taken away): as the left button's
    // release, without Click.
    void PressLost();
    void GotFocus();
    void LostFocus();
    // A tick of the hover timer; `overControl` is true when the window under the cursor is the
    // control's own (the caption has no window of its own, so it counts as the control).
    void PollTick(bool overControl);
    void Resize();

    void EndHover();
    void ApplyEnabledFace();
    void ResetFace();

private:
    void Paint(Skin skin) { host_.DrawSkin(skin); }
    CommandHost& host_;
};

// --- The face ---------------------------------------------------------------------------

// One slice of a skin picture copied onto the face: destination and source, in twips.
struct SkinSlice {
    int16_t x, y, width, height;                    // destination
    int16_t sourceX, sourceY, sourceWidth, sourceHeight;
};

// The eight border slices for a face of W x H twips from a 960 x 375-twip skin: four 60-twip
// corners at natural size, four edges stretched, in painting order; the middle is not painted.
std::array<SkinSlice, 8> SkinSlices(int16_t width, int16_t height);

// Whether the gradient is light at the bottom, from the state; StateHighLightSelect (and
// StateUnset) keep the previous orientation.
bool GradientInverted(uint8_t state, bool previous);

// A gradient end, 16 bits a channel with the 8-bit value in the high byte.
struct GradientColour {
    uint16_t red, green, blue;
};

// "&HRRGGBB" read left to right as red, green, blue, each pair times 256.
GradientColour GradientColourFromText(const std::string& text);

// Top and bottom colours of the face: white over the tint (198, 197, 215), or the reverse.
void GradientEnds(bool inverted, GradientColour& top, GradientColour& bottom);

// The caption label's top, in twips: 10 twips above the exact vertical middle.
double CaptionTop(double faceHeight, double labelHeight);
