// The skinned button: its transition table, the Click rules, properties, and the face's
// geometry and colours.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "saver/controls/command_button.h"

namespace {

const char* SkinName(Skin skin) {
    switch (skin) {
    case Skin::Normal: return "Normal";
    case Skin::HighLight: return "HighLight";
    case Skin::Pressed: return "Pressed";
    case Skin::Selected: return "Selected";
    case Skin::HighLightSelect: return "HighLightSelect";
    case Skin::Disable: return "Disable";
    }
    return "?";
}

class FakeHost : public CommandHost {
public:
    std::vector<std::string> faces;
    std::vector<std::string> notices;
    int clicks = 0;
    bool captionEnabled = true;
    uint32_t colour = 0;
    bool opaque = true;
    unsigned polling = 0;

    void DrawSkin(Skin skin) override { faces.push_back(SkinName(skin)); }
    void SetCaptionEnabled(bool enabled) override { captionEnabled = enabled; }
    void SetCaptionColour(uint32_t c) override { colour = c; }
    uint32_t CaptionColour() override { return colour; }
    void StartPolling(unsigned ms) override { polling = ms; }
    void SetBackgroundOpaque(bool o) override { opaque = o; }
    bool BackgroundOpaque() override { return opaque; }
    void PropertyChanged(const char* name) override { notices.push_back(name); }
    void RaiseClick() override { ++clicks; }
    std::string caption = "Command";
    std::string font = "ambient";
    std::string CaptionText() override { return caption; }
    void SetCaptionText(const std::string& text) override { caption = text; }
    std::string CaptionFont() override { return font; }
    void SetCaptionFont(const std::string& f) override { font = f; }
    std::string AmbientFont() override { return "ambient"; }
};

// A property store that remembers the order of what happened to it.
class FakeBag : public PropertyBag {
public:
    std::map<std::string, std::string> values;
    std::vector<std::string> log;
    bool Read(const std::string& key, std::string& value) override {
        log.push_back("read " + key);
        const auto it = values.find(key);
        if (it == values.end()) return false;
        value = it->second;
        return true;
    }
    void Write(const std::string& key, const std::string& value) override {
        log.push_back("write " + key);
        values[key] = value;
    }
    void Remove(const std::string& key) override {
        log.push_back("default " + key);
        values.erase(key);
    }
};

// A button as the dialog has it: loaded (enabled, first run done) and initialised.
struct Button {
    FakeHost host;
    Command command{host};
    Button() {
        command.Enabled();  // the host's first read: enabled
        command.Initialize();
        host.faces.clear();
    }
};

TEST(CommandButton, TransitionTable) {
    enum Event { MoveOver, Focus, Blur, PollAway, LeftDown, LeftUp };
    const struct {
        uint8_t from;
        Event event;
        uint8_t to;
        const char* face;
    } rows[] = {
        {StateUnset, Focus, StateSelected, "Selected"},
        {StateUnset, Blur, StateNormal, "Normal"},
        {StateNormal, MoveOver, StateHighLight, "HighLight"},
        {StateNormal, Focus, StateSelected, "Selected"},
        {StateHighLight, PollAway, StateNormal, "Normal"},
        {StateHighLight, Focus, StateHighLightSelect, "Pressed"},
        {StateHighLight, Blur, StateNormal, "Normal"},
        {StateSelected, MoveOver, StateHighLightSelect, "HighLightSelect"},
        {StateSelected, Blur, StateNormal, "Normal"},
        {StateHighLightSelect, PollAway, StateSelected, "Selected"},
        {StateHighLightSelect, Blur, StateNormal, "Normal"},
        {StateNormal, LeftDown, StateNormal, "Pressed"},
        {StateSelected, LeftDown, StateSelected, "Pressed"},
        {StateHighLight, LeftUp, StateHighLight, "Normal"},
        {StateHighLightSelect, LeftUp, StateHighLightSelect, "HighLightSelect"},
    };
    for (const auto& row : rows) {
        Button b;
        b.command.mState = row.from;
        switch (row.event) {
        case MoveOver: b.command.MouseMove(); break;
        case Focus: b.command.GotFocus(); break;
        case Blur: b.command.LostFocus(); break;
        case PollAway: b.command.PollTick(false); break;
        case LeftDown: b.command.MouseDown(MouseButton::Left); break;
        case LeftUp: b.command.MouseUp(MouseButton::Left); break;
        }
        EXPECT_EQ(b.command.mState, row.to) << int(row.from) << " event " << row.event;
        ASSERT_FALSE(b.host.faces.empty()) << int(row.from) << " event " << row.event;
        EXPECT_EQ(b.host.faces.back(), row.face) << int(row.from) << " event " << row.event;
    }
}

TEST(CommandButton, HoverPressReleaseClicksOnce) {
    Button b;
    b.command.MouseMove();
    b.command.GotFocus();  // the press brings focus first
    b.command.MouseDown(MouseButton::Left);
    b.command.MouseUp(MouseButton::Left);
    EXPECT_EQ(b.host.faces, (std::vector<std::string>{"HighLight", "Pressed", "Pressed", "HighLightSelect"}));
    EXPECT_EQ(b.host.clicks, 1);
    b.command.PollTick(true);  // still over it: nothing changes
    EXPECT_EQ(b.command.mState, StateHighLightSelect);
}

TEST(CommandButton, DraggingOffCancelsTheClick) {
    Button b;
    b.command.MouseMove();
    b.command.GotFocus();
    b.command.MouseDown(MouseButton::Left);
    b.command.PollTick(false);  // dragged off: the poll ends the hover
    b.command.MouseMove();      // back over it with the button still down: no re-entry
    EXPECT_EQ(b.command.mState, StateSelected);
    b.command.MouseUp(MouseButton::Left);
    EXPECT_EQ(b.host.clicks, 0);
}

TEST(CommandButton, OtherButtonsClickWithoutFaces) {
    Button b;
    b.command.MouseMove();
    b.host.faces.clear();
    b.command.MouseDown(MouseButton::Right);
    b.command.MouseUp(MouseButton::Right);
    EXPECT_TRUE(b.host.faces.empty());
    EXPECT_EQ(b.host.clicks, 1);
    b.command.MouseUp(MouseButton::Middle);
    EXPECT_EQ(b.host.clicks, 2);
}

TEST(CommandButton, DisabledIgnoresEverythingButShowsItsFace) {
    Button b;
    b.command.SetEnabled(false);
    EXPECT_EQ(b.host.faces.back(), "Disable");
    EXPECT_FALSE(b.host.captionEnabled);
    b.host.faces.clear();
    b.command.MouseMove();
    b.command.GotFocus();
    b.command.MouseDown(MouseButton::Left);
    b.command.MouseUp(MouseButton::Left);
    b.command.LostFocus();
    EXPECT_TRUE(b.host.faces.empty());
    EXPECT_EQ(b.host.clicks, 0);
    b.command.Resize();
    EXPECT_EQ(b.host.faces.back(), "Disable");
    b.command.SetEnabled(true);
    EXPECT_EQ(b.host.faces.back(), "Normal");
    EXPECT_TRUE(b.host.captionEnabled);
    EXPECT_EQ(b.host.notices, (std::vector<std::string>{"Enabled", "Enabled"}));
}

TEST(CommandButton, BeforeInitialize) {
    FakeHost host;
    Command c(host);
    c.Enabled();
    host.faces.clear();
    c.MouseMove();  // no hover look yet
    EXPECT_EQ(c.mState, StateUnset);
    EXPECT_TRUE(host.faces.empty());
    c.GotFocus();  // the first click brings focus and raises nothing
    c.MouseDown(MouseButton::Left);
    c.MouseUp(MouseButton::Left);
    EXPECT_EQ(c.mState, StateSelected);
    EXPECT_EQ(host.clicks, 0);
    EXPECT_EQ(host.polling, 0u);
    c.Initialize();
    EXPECT_EQ(host.polling, 100u);
    EXPECT_EQ(c.mState, StateNormal);
}

TEST(CommandButton, Properties) {
    FakeHost host;
    Command c(host);
    EXPECT_EQ(c.mEnabled, 0);  // a fresh instance is disabled until the host reads Enabled
    EXPECT_TRUE(c.Enabled());
    EXPECT_EQ(c.mFirstRun, 1);
    EXPECT_EQ(host.faces.back(), "Normal");

    c.SetVisible(0);
    EXPECT_FALSE(host.opaque);
    EXPECT_EQ(c.Visible(), 0);
    c.SetVisible(7);
    EXPECT_EQ(c.Visible(), 255);

    // While the first run is pending, a reset forces the caption black.
    c.mFirstRun = 0;
    c.SetFontColour(0x0000FF);
    EXPECT_EQ(host.colour, 0u);
    c.mFirstRun = 1;
    c.SetFontColour(0x0000FF);
    EXPECT_EQ(c.FontColour(), 0x0000FFu);
    EXPECT_EQ(host.notices, (std::vector<std::string>{"Visible", "Visible", "FontColour", "FontColour"}));
}

TEST(CommandButton, SavedAndLoadedLayouts) {
    FakeHost host;
    Command saved(host);
    saved.Enabled();
    host.font = "ＭＳ Ｐゴシック,9.75,0,128";
    host.colour = 0x00FF00;
    FakeBag bag;
    saved.WriteProperties(bag);
    EXPECT_EQ(bag.log, (std::vector<std::string>{"default Enabled", "default Caption", "default FirstRun",
                                                 "write Font", "write FontColour", "default Visible"}));
    EXPECT_EQ(host.faces.back(), "Normal");

    FakeHost other;
    Command loaded(other);
    bag.log.clear();
    loaded.ReadProperties(bag);
    EXPECT_EQ(bag.log, (std::vector<std::string>{"read Enabled", "read Caption", "read Font", "read FirstRun",
                                                 "read FontColour", "read Visible"}));
    EXPECT_EQ(loaded.mEnabled, -1);
    EXPECT_EQ(loaded.mFirstRun, 1);
    EXPECT_EQ(other.caption, "Command1");  // "Command" was not stored and reads back with a 1
    EXPECT_EQ(other.font, "ＭＳ Ｐゴシック,9.75,0,128");  // the font comes back whole
    EXPECT_EQ(other.colour, 0x00FF00u);
    EXPECT_TRUE(other.opaque);

    host.caption = "設定";
    saved.SetEnabled(false);
    saved.WriteProperties(bag);
    FakeHost third;
    Command again(third);
    again.ReadProperties(bag);
    EXPECT_EQ(third.caption, "設定");
    EXPECT_EQ(again.mEnabled, 0);
    EXPECT_TRUE(third.faces.empty());  // disabled: the reset paints nothing
}

TEST(ButtonFace, SliceGeometry) {
    const auto natural = SkinSlices(960, 375);
    // At the skin's own size the edges keep their source lengths: the border shows 1:1.
    EXPECT_EQ(natural[1].width, 840);
    EXPECT_EQ(natural[3].height, 255);
    EXPECT_EQ(natural[4].x, 900);
    EXPECT_EQ(natural[4].y, 315);
    const auto wide = SkinSlices(2000, 600);
    const int expected[8][8] = {
        {1, 1, 60, 60, 0, 0, 60, 60},           {60, 1, 1880, 60, 60, 1, 840, 60},
        {1940, 1, 60, 60, 900, 1, 60, 60},      {1940, 60, 60, 480, 900, 60, 60, 255},
        {1940, 540, 60, 60, 900, 315, 60, 60},  {60, 540, 1880, 60, 60, 315, 840, 60},
        {1, 540, 60, 60, 0, 315, 60, 60},       {1, 60, 60, 480, 1, 60, 60, 255},
    };
    for (int i = 0; i < 8; ++i) {
        const SkinSlice& s = wide[i];
        const int got[8] = {s.x, s.y, s.width, s.height, s.sourceX, s.sourceY, s.sourceWidth, s.sourceHeight};
        for (int k = 0; k < 8; ++k) EXPECT_EQ(got[k], expected[i][k]) << "slice " << i << " field " << k;
    }
    EXPECT_EQ(SkinSlices(100, 100)[1].width, -20);  // narrower than two corners
}

TEST(ButtonFace, GradientColoursAndOrientation) {
    const GradientColour tint = GradientColourFromText("&HC6C5D7");
    EXPECT_EQ(tint.red, 0xC600);
    EXPECT_EQ(tint.green, 0xC500);
    EXPECT_EQ(tint.blue, 0xD700);  // read as red, green, blue: not the usual blue-first order
    GradientColour top, bottom;
    GradientEnds(false, top, bottom);
    EXPECT_EQ(top.red, 0xFF00);
    EXPECT_EQ(bottom.blue, 0xD700);
    GradientEnds(true, top, bottom);
    EXPECT_EQ(top.green, 0xC500);
    EXPECT_EQ(bottom.green, 0xFF00);

    EXPECT_FALSE(GradientInverted(StateNormal, true));
    EXPECT_TRUE(GradientInverted(StateHighLight, false));
    EXPECT_FALSE(GradientInverted(StateSelected, true));
    EXPECT_TRUE(GradientInverted(StateHighLightSelect, true));  // kept from the previous paint
    EXPECT_FALSE(GradientInverted(StateHighLightSelect, false));
    EXPECT_EQ(CaptionTop(375, 195), 80.0);
    EXPECT_LT(CaptionTop(200, 195), 0.0);
}

}  // namespace
