#include "command_button.h"

#include <cstdlib>

void Command::Initialize() {
    mState = StateNormal;
    host_.StartPolling(100);
}

void Command::SetVisible(uint8_t New_Visible) {
    if (New_Visible == 0) {
        host_.SetBackgroundOpaque(false);
    } else {
        host_.SetBackgroundOpaque(true);
        ResetFace();
    }
    host_.PropertyChanged("Visible");
}

uint8_t Command::Visible() {
    if (!host_.BackgroundOpaque()) return 0;
    ResetFace();
    return 255;
}

void Command::SetFontColour(uint32_t New_FontColour) {
    host_.SetCaptionColour(New_FontColour);
    ResetFace();
    host_.PropertyChanged("FontColour");
}

uint32_t Command::FontColour() {
    const uint32_t colour = host_.CaptionColour();
    ResetFace();
    return colour;
}

bool Command::Enabled() {
    if (mFirstRun == 0) {
        ResetFace();
        mFirstRun = 1;
        mEnabled = -1;
    }
    const bool enabled = mEnabled != 0;
    ApplyEnabledFace();
    return enabled;
}

void Command::SetEnabled(bool New_Enabled) {
    mEnabled = New_Enabled ? -1 : 0;
    host_.PropertyChanged("Enabled");
    ApplyEnabledFace();
}

std::string Command::Caption() { return host_.CaptionText(); }

void Command::SetCaption(const std::string& New_Caption) {
    host_.SetCaptionText(New_Caption);
    host_.PropertyChanged("Caption");
}

std::string Command::Font() { return host_.CaptionFont(); }

void Command::SetFont(const std::string& New_Font) {
    host_.SetCaptionFont(New_Font);
    host_.PropertyChanged("Font");
}

namespace {

// The stored value of `key`, or `fallback` when the bag has none.
std::string ReadOr(PropertyBag& bag, const char* key, const std::string& fallback) {
    std::string value;
    return bag.Read(key, value) ? value : fallback;
}

// Stores `value` unless it equals the key's default, which is then left out.
void WriteUnlessDefault(PropertyBag& bag, const char* key, const std::string& value, const std::string& fallback) {
    if (value == fallback) {
        bag.Remove(key);
    } else {
        bag.Write(key, value);
    }
}

std::string Flag(bool value) { return value ? "-1" : "0"; }

}  // namespace

void Command::ReadProperties(PropertyBag& bag) {
    mEnabled = ReadOr(bag, "Enabled", "-1") != "0" ? -1 : 0;
    // The read default differs from the write default, so a caption of exactly "Command"
    // (not stored) comes back as "Command1".
    host_.SetCaptionText(ReadOr(bag, "Caption", "Command1"));
    host_.SetCaptionFont(ReadOr(bag, "Font", host_.AmbientFont()));
    mFirstRun = static_cast<uint8_t>(std::strtoul(ReadOr(bag, "FirstRun", "1").c_str(), nullptr, 10));
    host_.SetCaptionColour(static_cast<uint32_t>(std::strtoul(ReadOr(bag, "FontColour", "0").c_str(), nullptr, 10)));
    host_.SetBackgroundOpaque(ReadOr(bag, "Visible", "1") != "0");
    ResetFace();
}

void Command::WriteProperties(PropertyBag& bag) {
    WriteUnlessDefault(bag, "Enabled", Flag(mEnabled != 0), "-1");
    WriteUnlessDefault(bag, "Caption", host_.CaptionText(), "Command");
    WriteUnlessDefault(bag, "FirstRun", std::to_string(mFirstRun), "1");
    WriteUnlessDefault(bag, "Font", host_.CaptionFont(), host_.AmbientFont());
    WriteUnlessDefault(bag, "FontColour", std::to_string(host_.CaptionColour()), "0");
    WriteUnlessDefault(bag, "Visible", host_.BackgroundOpaque() ? "1" : "0", "1");
    ResetFace();
}

void Command::MouseDown(MouseButton button) {
    if (!mEnabled || button != MouseButton::Left) return;
    mLeftDown = -1;
    Paint(Skin::Pressed);
}

void Command::MouseMove() {
    if (!mEnabled) return;
    if (mState == StateNormal) {
        mState = StateHighLight;
        Paint(Skin::HighLight);
    }
    if (mState == StateSelected && !mLeftDown) {
        mState = StateHighLightSelect;
        Paint(Skin::HighLightSelect);
    }
}

void Command::MouseUp(MouseButton button) {
    if (!mEnabled) return;
    if (button == MouseButton::Left) PressLost();
    // Any button's release over the button clicks it, unless the press only brought focus.
    if (mState != StateSelected && mEnabled) host_.RaiseClick();
}

void Command::PressLost() {
    if (!mEnabled) return;
    mLeftDown = 0;
    if (mState == StateHighLight) Paint(Skin::Normal);
    if (mState == StateHighLightSelect) Paint(Skin::HighLightSelect);
}

void Command::GotFocus() {
    if (!mEnabled) return;
    if (mState != StateHighLight) {
        mState = StateSelected;
        Paint(Skin::Selected);
    } else {
        mState = StateHighLightSelect;
        Paint(Skin::Pressed);
    }
}

void Command::LostFocus() {
    if (!mEnabled || mState == StateNormal) return;
    mState = StateNormal;
    Paint(Skin::Normal);
}

void Command::PollTick(bool overControl) {
    if (!mEnabled) return;
    if (!overControl) EndHover();
}

void Command::Resize() { ApplyEnabledFace(); }

void Command::EndHover() {
    if (mState == StateHighLight) {
        mState = StateNormal;
        Paint(Skin::Normal);
    } else if (mState == StateHighLightSelect) {
        mState = StateSelected;
        Paint(Skin::Selected);
    }
}

void Command::ApplyEnabledFace() {
    if (!mEnabled) {
        Paint(Skin::Disable);
        host_.SetCaptionEnabled(false);
    } else {
        Paint(Skin::Normal);
        host_.SetCaptionEnabled(true);
    }
}

void Command::ResetFace() {
    if (!mEnabled) return;
    host_.SetCaptionEnabled(true);
    if (mFirstRun == 0) host_.SetCaptionColour(0);
    Paint(Skin::Normal);
}

std::array<SkinSlice, 8> SkinSlices(int16_t width, int16_t height) {
    const int w = width, h = height;
    auto s = [](int x, int y, int dw, int dh, int sx, int sy, int sw, int sh) {
        return SkinSlice{static_cast<int16_t>(x),  static_cast<int16_t>(y),  static_cast<int16_t>(dw),
                         static_cast<int16_t>(dh), static_cast<int16_t>(sx), static_cast<int16_t>(sy),
                         static_cast<int16_t>(sw), static_cast<int16_t>(sh)};
    };
    return {{
        s(1, 1, 60, 60, 0, 0, 60, 60),                  // top-left corner
        s(60, 1, w - 120, 60, 60, 1, 840, 60),          // top edge
        s(w - 60, 1, 60, 60, 900, 1, 60, 60),           // top-right corner
        s(w - 60, 60, 60, h - 120, 900, 60, 60, 255),   // right edge
        s(w - 60, h - 60, 60, 60, 900, 315, 60, 60),    // bottom-right corner
        s(60, h - 60, w - 120, 60, 60, 315, 840, 60),   // bottom edge
        s(1, h - 60, 60, 60, 0, 315, 60, 60),           // bottom-left corner
        s(1, 60, 60, h - 120, 1, 60, 60, 255),          // left edge
    }};
}

bool GradientInverted(uint8_t state, bool previous) {
    switch (state) {
    case StateNormal: return false;
    case StateHighLight: return true;
    case StateSelected: return false;
    default: return previous;
    }
}

GradientColour GradientColourFromText(const std::string& text) {
    // "&H" and six hexadecimal digits; each pair is a channel's high byte.
    const std::string digits = text.size() >= 8 ? text.substr(2, 6) : std::string(6, '0');
    auto pair = [&](int i) {
        return static_cast<uint16_t>(std::strtoul(digits.substr(i * 2, 2).c_str(), nullptr, 16) * 256);
    };
    return {pair(0), pair(1), pair(2)};
}

void GradientEnds(bool inverted, GradientColour& top, GradientColour& bottom) {
    const GradientColour white = GradientColourFromText("&HFFFFFF");
    const GradientColour tint = GradientColourFromText("&HC6C5D7");
    top = inverted ? tint : white;
    bottom = inverted ? white : tint;
}

double CaptionTop(double faceHeight, double labelHeight) { return (faceHeight - labelHeight - 20.0) / 2.0; }
