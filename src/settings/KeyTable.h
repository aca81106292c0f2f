#pragma once
// Every key of config.ini with its section, type and default. Readers that disagree
// with the common default or type say so where they read.

#include <array>

namespace Keys {

struct StringKey {
    const char* section;
    const char* name;
    const char* def;
};
struct IntegerKey {
    const char* section;
    const char* name;
    int def;
};
struct BooleanKey {
    const char* section;
    const char* name;
    bool def;
};
struct ColourKey {
    const char* section;
    const char* name;
    const char* def;  // a colour name
};

inline constexpr const char* General = "General";
inline constexpr const char* Bar = "Bar";
inline constexpr const char* OptionMain = "Option_Main";
inline constexpr const char* OptionWindow = "Option_Window";
inline constexpr const char* OptionAdvertisement = "Option_advertisemen";
inline constexpr const char* OptionTab = "Option_Tab";

// [General]
inline constexpr StringKey LastEngine{General, "LastEngine", "IE"};
inline constexpr IntegerKey LastMojiSize{General, "LastMojiSize", 2};
inline constexpr IntegerKey WinSize{General, "WinSize", 0};

// [Bar]: the two cool bar positions, the five bars, the J bar
inline constexpr std::array<IntegerKey, 2> BandID{{{Bar, "Band0ID", 0}, {Bar, "Band1ID", 1}}};
inline constexpr std::array<IntegerKey, 2> BandWidth{{{Bar, "Band0Width", 200}, {Bar, "Band1Width", 200}}};
inline constexpr std::array<BooleanKey, 2> BandBreak{{{Bar, "Band0Break", true}, {Bar, "Band1Break", true}}};
inline constexpr BooleanKey ShowToolBar{Bar, "ToolBar", true};
inline constexpr BooleanKey ShowAddressBar{Bar, "AddressBar", true};
inline constexpr BooleanKey ShowStatusBar{Bar, "StatusBar", true};
inline constexpr BooleanKey ShowTabBar{Bar, "TabBar", true};
inline constexpr BooleanKey ShowJBar{Bar, "JBar", true};
inline constexpr IntegerKey JBarSize{Bar, "JBarSize", 153};
inline constexpr IntegerKey JBarMax{Bar, "JBarMax", 0};

// [Option_Main]
inline constexpr IntegerKey Mozilla{OptionMain, "Mozilla", 0};
inline constexpr StringKey MozPath{OptionMain, "MozPath", ""};
// The engine of the "Internet Explorer" slot: 0 the system's Chromium, 1 the built-in
// one. Where the key is absent the system's Chromium is used if it is installed.
inline constexpr IntegerKey IEEngine{OptionMain, "IEEngine", 0};

// [Option_Window]
inline constexpr BooleanKey BookMark{OptionWindow, "BookMark", false};
inline constexpr BooleanKey AddressBar{OptionWindow, "AddressBar", false};
inline constexpr BooleanKey NewWindowActive{OptionWindow, "NewWindow_Active", false};
// Reopen the view windows of the last run (session.txt).
inline constexpr BooleanKey Restore{OptionWindow, "Restore", false};

// [Option_advertisemen]
inline constexpr BooleanKey CloseURL{OptionAdvertisement, "CloseURL", false};

// [Option_Tab]
inline constexpr BooleanKey TabFix{OptionTab, "fix", false};
inline constexpr IntegerKey TabMaxSize{OptionTab, "MaxSize", 75};
inline constexpr BooleanKey TabLen{OptionTab, "Len", false};
inline constexpr IntegerKey TabMaxLen{OptionTab, "MaxLen", 0};
inline constexpr IntegerKey TabType{OptionTab, "TabType", 0};
inline constexpr ColourKey ActivateChColor{OptionTab, "ActivateChColor", "clWindowText"};
inline constexpr ColourKey ActivateBGColor{OptionTab, "ActivateBGColor", "clBtnFace"};
inline constexpr ColourKey DeActivateChColor{OptionTab, "DeActivateChColor", "clWindowText"};
inline constexpr ColourKey DeActivateBGColor{OptionTab, "DeActivateBGColor", "clBtnFace"};

}  // namespace Keys
