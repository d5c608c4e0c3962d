#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/fake/MemoryRegistry.h"
#include "platform/fake/RecordingMessages.h"
#include "settings/Settings.h"
#include "settings/SettingsTable.h"

using namespace mox;

namespace {

const std::string kProduct = Settings::kProductKey;
const std::string kGeneral = kProduct + "\\General";
const std::string kMethod = kProduct + "\\Method";
const std::string kDicts = kProduct + "\\Dicts";
const std::string kFonts = kProduct + "\\Fonts";
const std::string kResults = kProduct + "\\Results";

// Every persisted value in load and save order, with its key.
struct Entry {
    std::string key, name;
};
const std::vector<Entry> kOrder = {
    {kGeneral, "bAutoLoad"}, {kGeneral, "bAutoShow"}, {kGeneral, "uiTimer"}, {kGeneral, "bSaveMoxPos"},
    {kMethod, "iDemoTypeSel"}, {kMethod, "iDemoTypeInput"}, {kMethod, "iMainRegim"}, {kMethod, "iExcludeAfter"},
    {kMethod, "iHideAfter"}, {kMethod, "iHideState"}, {kMethod, "iRowCount"}, {kMethod, "iShowCount"},
    {kMethod, "uiLBRowMax"}, {kMethod, "bMatchCaseInput"}, {kMethod, "bShowTranscrSel"},
    {kMethod, "bShowTranscrInput"},
    {kDicts, "iSubSetRecCount"}, {kDicts, "uiDictActiveCount"}, {kDicts, "uiDictRecCount"}, {kDicts, "sCurDict"},
    {kDicts, "sCurList"}, {kDicts, "uiEditorWidth"}, {kDicts, "uiEditorHeight"},
    {kFonts, "iForeignCharSet"}, {kFonts, "iNativeCharSet"}, {kFonts, "iTransCharSet"}, {kFonts, "iForeignFontSize"},
    {kFonts, "iNativeFontSize"}, {kFonts, "iTransFontSize"}, {kFonts, "uiForeignLayout"}, {kFonts, "uiNativeLayout"},
    {kFonts, "uiTransLayout"}, {kFonts, "sForeignFontFace"}, {kFonts, "sNativeFontFace"}, {kFonts, "sTransFontFace"},
    {kResults, "bShowStatCurItem"},
};

// A store with every key present and no values.
MemoryRegistry emptyKeys()
{
    MemoryRegistry r;
    r.createKey(Settings::kShellFoldersKey);
    for (const auto& k : {kProduct, kGeneral, kMethod, kDicts, kFonts, kResults})
        r.createKey(k);
    return r;
}

// A store as the first-run setup leaves it.
MemoryRegistry installed()
{
    MemoryRegistry r = emptyKeys();
    r.setText(Settings::kShellFoldersKey, "Startup", "${HOME}/.config/autostart");
    r.setText(kProduct, "sAppPath", "/home/u/.local/share/mox");
    r.setNumber(kGeneral, "bAutoLoad", 1);
    r.setNumber(kGeneral, "bAutoShow", 1);
    r.setNumber(kGeneral, "uiTimer", 300000);
    r.setNumber(kGeneral, "bSaveMoxPos", 0);
    r.setNumber(kMethod, "iDemoTypeSel", 2);
    r.setNumber(kMethod, "iDemoTypeInput", 1);
    r.setNumber(kMethod, "iMainRegim", 1);
    r.setNumber(kMethod, "iExcludeAfter", 3);
    r.setNumber(kMethod, "iHideAfter", 5);
    r.setNumber(kMethod, "iHideState", 1);
    r.setNumber(kMethod, "iRowCount", 6);
    r.setNumber(kMethod, "iShowCount", 10);
    r.setNumber(kMethod, "uiLBRowMax", 7);
    r.setNumber(kMethod, "bMatchCaseInput", 1);
    r.setNumber(kMethod, "bShowTranscrSel", 1);
    r.setNumber(kMethod, "bShowTranscrInput", 0);
    r.setNumber(kDicts, "iSubSetRecCount", 20);
    r.setNumber(kDicts, "uiDictActiveCount", 70000);
    r.setNumber(kDicts, "uiDictRecCount", 310);
    r.setText(kDicts, "sCurDict", "english.dct");
    r.setText(kDicts, "sCurList", "english.lst");
    r.setNumber(kFonts, "iForeignCharSet", 0);
    r.setNumber(kFonts, "iNativeCharSet", 204);
    r.setNumber(kFonts, "iTransCharSet", 2);
    r.setNumber(kFonts, "iForeignFontSize", 12);
    r.setNumber(kFonts, "iNativeFontSize", 12);
    r.setNumber(kFonts, "iTransFontSize", 11);
    r.setNumber(kFonts, "uiForeignLayout", 0x409);
    r.setNumber(kFonts, "uiNativeLayout", 0x419);
    r.setNumber(kFonts, "uiTransLayout", 0x409);
    r.setText(kFonts, "sForeignFontFace", "DejaVu Sans");
    r.setText(kFonts, "sNativeFontFace", "DejaVu Serif");
    r.setText(kFonts, "sTransFontFace", "TransMox");
    r.setNumber(kResults, "bShowStatCurItem", 1);
    return r;
}

} // namespace

// Every value name in table order, the program folder first, but for the
// remembered sizes that files of earlier versions lack (they may be missing).
std::vector<std::string> allNames()
{
    std::vector<std::string> names = {"sAppPath"};
    for (const auto& e : kOrder)
        if (!settingRow(e.name).mayBeMissing)
            names.push_back(e.name);
    return names;
}

TEST(SettingsLoad, AFileWithoutTheEditorsSizeIsNoDamageAndASizeGivenLoadsAndSaves)
{
    // A file as earlier versions wrote it: every value but the editor's size.
    MemoryRegistry r = installed();
    RecordingMessages m;
    Settings s(m);
    EXPECT_EQ(s.load(r), std::vector<std::string>{});
    EXPECT_EQ(s.uiEditorWidth(), 0);
    EXPECT_EQ(s.uiEditorHeight(), 0);
    // Only the window sizes may be missing.
    for (const auto& e : kOrder)
        EXPECT_EQ(settingRow(e.name).mayBeMissing, e.name.rfind("uiEditor", 0) == 0) << e.name;

    s.setUiEditorWidth(912);
    s.setUiEditorHeight(604);
    MemoryRegistry out = emptyKeys();
    ASSERT_TRUE(s.save(out));
    EXPECT_EQ(out.number(kDicts, "uiEditorWidth"), 912u);
    EXPECT_EQ(out.number(kDicts, "uiEditorHeight"), 604u);
    out.setText(kProduct, "sAppPath", "/x");
    Settings again(m);
    EXPECT_EQ(again.load(out), std::vector<std::string>{});
    EXPECT_EQ(again.uiEditorWidth(), 912);
    EXPECT_EQ(again.uiEditorHeight(), 604);
    EXPECT_TRUE(m.shown.empty());
}

TEST(SettingsLoad, AStoreWithoutTheProgramsKeysGivesFirstRunValuesAndNamesThemAllSilently)
{
    MemoryRegistry r;
    r.createKey(Settings::kShellFoldersKey);
    RecordingMessages m;
    Settings s(m);
    EXPECT_EQ(s.load(r), allNames());
    EXPECT_TRUE(m.shown.empty());
    EXPECT_EQ(s.uiTimer(), 5u * 60000u);
    EXPECT_TRUE(s.bAutoShow());
    EXPECT_EQ(s.iShowCount(), 10);
    EXPECT_EQ(s.iSubSetRecCount(), 20);
    EXPECT_EQ(s.wordFontSize(), -12);
    EXPECT_EQ(s.sCurDict(), "english.dct");
    // The program folder has no first-run value: no folder, no dictionary.
    EXPECT_EQ(s.appPath(), "");
    EXPECT_EQ(s.dictionaryPath(), "");
    EXPECT_GE(s.iRowCount(), 1);

    // Saving into the same store fails for every group: one message.
    EXPECT_FALSE(s.save(r));
    EXPECT_EQ(m.texts(), std::vector<std::string>{"Не удалось сохранить настройки."});
    EXPECT_EQ(m.shown[0].icon, MessageIcon::Warning);
    EXPECT_FALSE(r.has(kGeneral, "uiTimer"));
}

TEST(SettingsLoad, MissingValuesAreNamedInTableOrderAndTakeTheirFirstRunValues)
{
    MemoryRegistry none = emptyKeys();
    RecordingMessages m;
    Settings s(m);
    EXPECT_EQ(s.load(none), allNames());
    EXPECT_TRUE(m.shown.empty());

    // A store that lost some values: those take their first-run values, the
    // rest are read; the program folder keeps what it was.
    MemoryRegistry full = installed();
    EXPECT_EQ(s.load(full), std::vector<std::string>{});
    MemoryRegistry partial = emptyKeys();
    partial.setNumber(kGeneral, "uiTimer", 120000);
    partial.setText(kDicts, "sCurDict", "german.dct");
    partial.setNumber(kDicts, "sCurList", 5);   // a number where a text belongs
    partial.setNumber(kMethod, "iRowCount", 6);
    const std::vector<std::string> missing = s.load(partial);
    EXPECT_EQ(missing.size(), allNames().size() - 3);
    EXPECT_EQ(std::count(missing.begin(), missing.end(), "sCurList"), 1);
    EXPECT_EQ(std::count(missing.begin(), missing.end(), "uiTimer"), 0);
    EXPECT_EQ(s.uiTimer(), 120000u);
    EXPECT_EQ(s.sCurDict(), "german.dct");
    EXPECT_EQ(s.sCurList(), "english.lst");
    EXPECT_EQ(s.iRowCount(), 6);
    EXPECT_FALSE(s.bAutoLoad());                      // was 1
    EXPECT_EQ(s.iMainRegim(), Mode::Choice);          // was typing
    EXPECT_EQ(s.sNativeFontFace(), "DejaVu Sans");    // was DejaVu Serif
    EXPECT_EQ(s.appPath(), "/home/u/.local/share/mox");
    EXPECT_TRUE(m.shown.empty());
}

TEST(SettingsLoad, EveryValueArrivesNarrowedAsItsFieldIs)
{
    MemoryRegistry r = installed();
    r.setNumber(kMethod, "iMainRegim", 0x00070001);   // only the low 16 bits count
    r.setNumber(kMethod, "iHideState", 0xABCD0001);
    r.setNumber(kDicts, "uiDictRecCount", 0x00010136);
    r.setNumber(kFonts, "iNativeCharSet", 0x1CC);       // low byte 0xCC = 204
    r.setNumber(kFonts, "iForeignFontSize", 12);
    r.setNumber(kFonts, "iNativeFontSize", 14);         // the second name wins
    RecordingMessages m;
    Settings s(m);
    s.load(r);
    EXPECT_TRUE(m.shown.empty());

    EXPECT_TRUE(s.bAutoLoad());
    EXPECT_TRUE(s.bAutoShow());
    EXPECT_EQ(s.uiTimer(), 300000u);
    EXPECT_EQ(s.iDemoTypeSel(), Direction::Both);
    EXPECT_EQ(s.iDemoTypeInput(), Direction::Reverse);
    EXPECT_EQ(s.iMainRegim(), Mode::Typing);
    EXPECT_EQ(s.iExcludeAfter(), 3);
    EXPECT_EQ(s.iHideAfter(), 5);
    EXPECT_TRUE(s.iHideState());
    EXPECT_EQ(s.iRowCount(), 6);
    EXPECT_EQ(s.iShowCount(), 10);
    EXPECT_EQ(s.uiLBRowMax(), 7);
    EXPECT_TRUE(s.bMatchCaseInput());
    EXPECT_TRUE(s.bShowTranscrSel());
    EXPECT_FALSE(s.bShowTranscrInput());
    EXPECT_EQ(s.iSubSetRecCount(), 20);
    EXPECT_EQ(s.uiDictActiveCount(), 70000u);
    EXPECT_EQ(s.uiDictRecCount(), 0x136u);
    EXPECT_EQ(s.iForeignCharSet(), 0);
    EXPECT_EQ(s.iNativeCharSet(), 204);
    EXPECT_EQ(s.iTransCharSet(), 2);
    EXPECT_EQ(s.wordFontSize(), -14);
    EXPECT_EQ(s.transFontSize(), -11);
    EXPECT_EQ(s.uiForeignLayout(), 0x409u);
    EXPECT_EQ(s.uiNativeLayout(), 0x419u);
    EXPECT_EQ(s.uiTransLayout(), 0x409u);
    EXPECT_EQ(s.sForeignFontFace(), "DejaVu Sans");
    EXPECT_EQ(s.sNativeFontFace(), "DejaVu Serif");
    EXPECT_EQ(s.sTransFontFace(), "TransMox");
    EXPECT_TRUE(s.bShowStatCurItem());

    // The folders derive from the program folder.
    EXPECT_EQ(s.modFolder(), "/home/u/.local/share/mox/mod/");
    EXPECT_EQ(s.dictFolder(), "/home/u/.local/share/mox/voc/");
    EXPECT_EQ(s.listFolder(), "/home/u/.local/share/mox/voc/");
    EXPECT_EQ(s.helpFile(), "/home/u/.local/share/mox/mox.qch");
    EXPECT_EQ(s.dictionaryPath(), "/home/u/.local/share/mox/voc/english.dct");
    EXPECT_EQ(s.listPath(), "/home/u/.local/share/mox/voc/english.lst");
}

TEST(SettingsSave, WritesEveryValueWidenedAndNeverTheProgramFolder)
{
    MemoryRegistry r = installed();
    r.setNumber(kFonts, "iForeignFontSize", 12);
    r.setNumber(kFonts, "iNativeFontSize", 14);
    RecordingMessages m;
    Settings s(m);
    s.load(r);
    s.setUiLBRowMax(0xFFFF);
    s.setIForeignCharSet(0xEE);
    s.setIHideState(true);

    MemoryRegistry out = emptyKeys();
    EXPECT_TRUE(s.save(out));
    EXPECT_TRUE(m.shown.empty());
    for (const auto& e : kOrder)
        EXPECT_TRUE(out.has(e.key, e.name)) << e.name;
    EXPECT_FALSE(out.has(kProduct, "sAppPath"));
    EXPECT_FALSE(out.has(Settings::kShellFoldersKey, "Startup"));

    EXPECT_EQ(out.number(kFonts, "iForeignFontSize"), 14u);   // one size under two names
    EXPECT_EQ(out.number(kFonts, "iNativeFontSize"), 14u);
    EXPECT_EQ(out.number(kFonts, "iTransFontSize"), 11u);     // absolute value of the height
    EXPECT_EQ(out.number(kMethod, "uiLBRowMax"), 0xFFFFu);    // zero-extended, not sign-extended
    EXPECT_EQ(out.number(kMethod, "iMainRegim"), 1u);
    EXPECT_EQ(out.number(kMethod, "iDemoTypeSel"), 2u);
    EXPECT_EQ(out.number(kMethod, "iHideState"), 1u);
    EXPECT_EQ(out.number(kGeneral, "bAutoLoad"), 1u);
    EXPECT_EQ(out.number(kMethod, "bShowTranscrInput"), 0u);
    EXPECT_EQ(out.number(kFonts, "iForeignCharSet"), 0xEEu);
    EXPECT_EQ(out.number(kGeneral, "uiTimer"), 300000u);
    EXPECT_EQ(out.number(kDicts, "uiDictActiveCount"), 70000u);
    EXPECT_EQ(out.number(kFonts, "uiNativeLayout"), 0x419u);
    EXPECT_EQ(out.text(kDicts, "sCurDict"), "english.dct");
    EXPECT_EQ(out.text(kFonts, "sNativeFontFace"), "DejaVu Serif");

    // What was saved loads back to the same values.
    out.setText(kProduct, "sAppPath", "/x");
    out.setText(Settings::kShellFoldersKey, "Startup", "/s");
    Settings again(m);
    again.load(out);
    EXPECT_TRUE(m.shown.empty());
    EXPECT_EQ(again.wordFontSize(), -14);
    EXPECT_EQ(again.transFontSize(), -11);
    EXPECT_EQ(again.uiLBRowMax(), 0xFFFF);
    EXPECT_EQ(again.iMainRegim(), Mode::Typing);
    EXPECT_EQ(again.iRowCount(), 6);
    EXPECT_EQ(again.sTransFontFace(), "TransMox");
}

TEST(SettingsSave, WriteFailuresAreToldInOneMessageAndTheRestStillWritten)
{
    MemoryRegistry r = installed();
    RecordingMessages m;
    Settings s(m);
    s.load(r);

    MemoryRegistry all = emptyKeys();
    for (const auto& e : kOrder)
        all.failWrites(e.name);
    EXPECT_FALSE(s.save(all));
    EXPECT_EQ(m.texts(), std::vector<std::string>{"Не удалось сохранить настройки."});

    // One failing value does not stop the others, in its group or after it.
    m.clear();
    MemoryRegistry one = emptyKeys();
    one.failWrites("iHideAfter");
    one.failWrites("sCurDict");
    EXPECT_FALSE(s.save(one));
    EXPECT_EQ(m.texts(), std::vector<std::string>{"Не удалось сохранить настройки: iHideAfter, sCurDict."});
    EXPECT_FALSE(one.has(kMethod, "iHideAfter"));
    EXPECT_EQ(one.number(kMethod, "iHideState"), 1u);
    EXPECT_EQ(one.text(kDicts, "sCurList"), "english.lst");
    EXPECT_EQ(one.number(kResults, "bShowStatCurItem"), 1u);

    // A missing group: its values are named; the groups after it are written.
    m.clear();
    MemoryRegistry noFonts;
    for (const auto& k : {kGeneral, kMethod, kDicts, kResults})
        noFonts.createKey(k);
    EXPECT_FALSE(s.save(noFonts));
    EXPECT_EQ(m.texts(), std::vector<std::string>{"Не удалось сохранить настройки: iForeignCharSet, iNativeCharSet, "
                                                  "iTransCharSet, iForeignFontSize, iNativeFontSize, iTransFontSize, "
                                                  "uiForeignLayout, uiNativeLayout и ещё 4."});
    EXPECT_TRUE(noFonts.has(kResults, "bShowStatCurItem"));

    // Everything written: true and silent.
    m.clear();
    MemoryRegistry fine = emptyKeys();
    EXPECT_TRUE(s.save(fine));
    EXPECT_TRUE(m.shown.empty());
}

TEST(SettingsTexts, TextsOf255BytesFailToReadAndAreNeverSaved)
{
    MemoryRegistry r = installed();
    r.setText(kDicts, "sCurDict", std::string(255, 'd'));
    r.setText(kDicts, "sCurList", std::string(254, 'l'));
    r.setText(kProduct, "sAppPath", std::string(300, 'p'));
    RecordingMessages m;
    Settings s(m);
    EXPECT_EQ(s.load(r), (std::vector<std::string>{"sAppPath", "sCurDict"}));
    EXPECT_TRUE(m.shown.empty());
    EXPECT_EQ(s.sCurDict(), "english.dct");
    EXPECT_EQ(s.sCurList(), std::string(254, 'l'));
    EXPECT_EQ(s.appPath(), "");

    // A text too long to read back is refused and named, and the stored
    // value stays as it was, instead of being replaced by one that the next
    // start cannot read.
    s.setSForeignFontFace(std::string(255, 'f'));
    MemoryRegistry out = installed();
    EXPECT_FALSE(s.save(out));
    EXPECT_EQ(m.texts(), std::vector<std::string>{"Не удалось сохранить настройки: sForeignFontFace."});
    EXPECT_EQ(out.text(kFonts, "sForeignFontFace"), "DejaVu Sans");
    EXPECT_EQ(out.text(kDicts, "sCurList"), std::string(254, 'l'));
}

TEST(SettingsSetters, TimerMinutesOutsideOneTo719GiveOneMinute)
{
    RecordingMessages m;
    Settings s(m);
    s.setTimerMinutes(719);
    EXPECT_EQ(s.uiTimer(), 719u * 60000u);
    s.setTimerMinutes(1);
    EXPECT_EQ(s.uiTimer(), 60000u);
    s.setTimerMinutes(5);
    EXPECT_EQ(s.uiTimer(), 300000u);
    s.setTimerMinutes(0);
    EXPECT_EQ(s.uiTimer(), 60000u);
    s.setTimerMinutes(5);
    s.setTimerMinutes(720);
    EXPECT_EQ(s.uiTimer(), 60000u);
    s.setTimerMinutes(5);
    s.setTimerMinutes(0xFFFFFFFFu);   // would overflow if multiplied
    EXPECT_EQ(s.uiTimer(), 60000u);
}

TEST(SettingsSetters, ZeroCountsAreIgnoredAndRowCountIsNeverZero)
{
    RecordingMessages m;
    Settings s(m);
    s.setIShowCount(10);
    s.setIHideAfter(4);
    s.setIExcludeAfter(3);
    s.setIShowCount(0);
    s.setIHideAfter(0);
    s.setIExcludeAfter(0);
    EXPECT_EQ(s.iShowCount(), 10);
    EXPECT_EQ(s.iHideAfter(), 4);
    EXPECT_EQ(s.iExcludeAfter(), 3);
    s.setIShowCount(1);
    EXPECT_EQ(s.iShowCount(), 1);

    s.setIRowCount(0);
    EXPECT_GE(s.iRowCount(), 1);
    s.setIRowCount(9);
    EXPECT_EQ(s.iRowCount(), 9);

    // A stored zero, or a number whose low 16 bits are zero, loads as the safe value.
    for (std::uint32_t stored : {0u, 0x10000u}) {
        MemoryRegistry r = installed();
        r.setNumber(kMethod, "iRowCount", stored);
        Settings t(m);
        t.load(r);
        EXPECT_EQ(t.iRowCount(), Settings::kDefaultRowCount) << stored;
    }
    EXPECT_TRUE(m.shown.empty());
}

TEST(SettingsSetters, DirectionAboveTwoIsRefusedWithItsMessage)
{
    RecordingMessages m;
    Settings s(m);
    s.setDemoType(Direction::Reverse, Mode::Choice);
    s.setDemoType(Direction::Both, Mode::Typing);
    EXPECT_TRUE(m.shown.empty());
    EXPECT_EQ(s.demoType(Mode::Choice), Direction::Reverse);
    EXPECT_EQ(s.demoType(Mode::Typing), Direction::Both);

    s.setDemoType(static_cast<Direction>(3), Mode::Choice);
    EXPECT_EQ(m.texts(), std::vector<std::string>{"Недопустимое значение типа предъявления."});
    EXPECT_EQ(m.shown[0].buttons, MessageButtons::Ok);
    EXPECT_EQ(s.iDemoTypeSel(), Direction::Reverse);
    EXPECT_EQ(s.iDemoTypeInput(), Direction::Both);

    // An unknown mode changes nothing and reads as the direct direction.
    m.clear();
    s.setDemoType(Direction::Direct, static_cast<Mode>(2));
    EXPECT_TRUE(m.shown.empty());
    EXPECT_EQ(s.iDemoTypeSel(), Direction::Reverse);
    EXPECT_EQ(s.iDemoTypeInput(), Direction::Both);
    EXPECT_EQ(s.demoType(static_cast<Mode>(2)), Direction::Direct);
}

TEST(SettingsStartup, StartupFolderExpandsVariablesEachTimeItIsAsked)
{
    MemoryRegistry r = installed();
    r.setText(Settings::kShellFoldersKey, "Startup", "${MOX_TEST_CONFIG}/autostart");
    RecordingMessages m;
    Settings s(m);
    s.load(r);

    ::setenv("MOX_TEST_CONFIG", "/home/u/.config", 1);
    EXPECT_EQ(s.startupFolder(), "/home/u/.config/autostart");
    ::setenv("MOX_TEST_CONFIG", "/tmp/cfg", 1);
    EXPECT_EQ(s.startupFolder(), "/tmp/cfg/autostart");
    ::unsetenv("MOX_TEST_CONFIG");
    EXPECT_EQ(s.startupFolder(), "");

    // The bare form, text around it, an unterminated reference.
    ::setenv("MOX_TEST_HOME", "/home/v", 1);
    r.setText(Settings::kShellFoldersKey, "Startup", "$MOX_TEST_HOME/.config/autostart");
    s.load(r);
    EXPECT_EQ(s.startupFolder(), "/home/v/.config/autostart");
    r.setText(Settings::kShellFoldersKey, "Startup", "/plain/folder");
    s.load(r);
    EXPECT_EQ(s.startupFolder(), "/plain/folder");
    r.setText(Settings::kShellFoldersKey, "Startup", "${MOX_TEST_HOME/x");
    s.load(r);
    EXPECT_EQ(s.startupFolder(), "");
    r.setText(Settings::kShellFoldersKey, "Startup", "/costs $5$MOX_TEST_HOME$");
    s.load(r);
    EXPECT_EQ(s.startupFolder(), "/costs $5/home/v$");
    ::unsetenv("MOX_TEST_HOME");
    EXPECT_TRUE(m.shown.empty());
}

TEST(SettingsTable, NumbersOutsideWhatTheProgramTakesLoadAsTheirFirstRunValues)
{
    MemoryRegistry r = installed();
    r.setNumber(kMethod, "iMainRegim", 2);             // no such mode
    r.setNumber(kMethod, "iDemoTypeSel", 0x00010003);  // low 16 bits: no such direction
    r.setNumber(kGeneral, "uiTimer", 0);               // an interval of no time
    r.setNumber(kDicts, "iSubSetRecCount", 1001);
    r.setNumber(kMethod, "iExcludeAfter", 0);          // every word learnt at its first answer
    r.setNumber(kGeneral, "bAutoLoad", 7);             // a switch that is not 0 is on
    r.setNumber(kMethod, "iHideState", 0x10000);       // ... counted in its low 16 bits
    RecordingMessages m;
    Settings s(m);
    EXPECT_EQ(s.load(r), (std::vector<std::string>{"uiTimer", "iDemoTypeSel", "iMainRegim", "iExcludeAfter",
                                                   "iSubSetRecCount"}));
    EXPECT_TRUE(m.shown.empty());
    EXPECT_EQ(s.iMainRegim(), Mode::Choice);
    EXPECT_EQ(s.iDemoTypeSel(), Direction::Direct);
    EXPECT_EQ(s.iDemoTypeInput(), Direction::Reverse);  // its neighbour as stored
    EXPECT_EQ(s.uiTimer(), 5u * 60000u);
    EXPECT_EQ(s.iSubSetRecCount(), 20);
    EXPECT_EQ(s.iExcludeAfter(), 3);
    EXPECT_TRUE(s.bAutoLoad());
    EXPECT_FALSE(s.iHideState());

    // The edges of the bounds are taken as they are; so is an interval of
    // two seconds set by hand.
    r.setNumber(kGeneral, "uiTimer", 2000);
    r.setNumber(kDicts, "iSubSetRecCount", 1000);
    r.setNumber(kMethod, "iDemoTypeSel", 2);
    s.load(r);
    EXPECT_EQ(s.uiTimer(), 2000u);
    EXPECT_EQ(s.iSubSetRecCount(), 1000);
    EXPECT_EQ(s.iDemoTypeSel(), Direction::Both);
}

TEST(SettingsTable, FirstRunValuesLieInTheirBoundsAndSurviveASaveAndALoad)
{
    std::vector<std::string> names;
    for (const SettingRow& row : settingsTable()) {
        names.push_back(row.name);
        if (!row.isText()) {
            EXPECT_TRUE(row.inBounds(row.firstRun)) << row.name;
        }
    }
    // The table walks the values in the order load and save take them.
    std::vector<std::string> ordered = {"sAppPath"};
    for (const auto& e : kOrder)
        ordered.push_back(e.name);
    EXPECT_EQ(names, ordered);

    RecordingMessages m;
    Settings first(m);
    first.setFirstRunValues();
    EXPECT_TRUE(first.bAutoShow());
    EXPECT_EQ(first.uiTimer(), 5u * 60000u);
    EXPECT_EQ(first.iMainRegim(), Mode::Choice);
    EXPECT_EQ(first.iSubSetRecCount(), 20);
    EXPECT_EQ(first.wordFontSize(), -12);
    EXPECT_EQ(first.sCurDict(), "english.dct");
    EXPECT_EQ(first.sCurList(), "english.lst");
    EXPECT_EQ(first.appPath(), "");   // the setup's to give
    // The counts keep the relations the Method page keeps.
    EXPECT_LT(first.iShowCount(), first.iSubSetRecCount());
    EXPECT_LE(first.iHideAfter(), first.iShowCount());

    MemoryRegistry out = emptyKeys();
    ASSERT_TRUE(first.save(out));
    out.setText(kProduct, "sAppPath", "/p");
    Settings again(m);
    EXPECT_EQ(again.load(out), std::vector<std::string>{});
    for (const SettingRow& row : settingsTable()) {
        if (!row.saved)
            continue;
        const std::string key = kProduct + "\\" + row.group;
        if (row.isText())
            EXPECT_EQ(out.text(key, row.name), row.firstRunText) << row.name;
        else
            EXPECT_EQ(out.number(key, row.name), row.firstRun) << row.name;
    }
    EXPECT_TRUE(m.shown.empty());
}
