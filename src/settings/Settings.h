#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/MessagePort.h"
#include "platform/RegistryPort.h"

namespace mox {

struct SettingRow;

// The learning mode: pick the translation among rows, or type it.
enum class Mode : std::uint16_t { Choice = 0, Typing = 1 };
// The direction of translation of a mode: the studied word asked, the
// translation asked, or either drawn anew for every word.
enum class Direction : std::uint16_t { Direct = 0, Reverse = 1, Both = 2 };

// Every user preference and the folders the program works in. Read once at
// start-up (load) and written back in one pass when the options sheet closes
// (save), both over the rows of the settings table (SettingsTable.h), which
// gives every value its group, stored form, bounds and first-run value.
// Values are named by their store value names; a getter has the value's name
// and a setter "set" plus the name. Values arrive typed: switches as bool,
// modes and directions as enumerations. The object starts zeroed (false,
// Mode::Choice, Direction::Direct, 0, empty texts) until it is loaded or
// given its first-run values.
class Settings {
public:
    static constexpr const char* kProductKey = "Software\\Jov Software\\Mox!";
    static constexpr const char* kShellFoldersKey =
        "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
    // A safe substitute for a missing or zero iRowCount (it is a divisor).
    static constexpr std::uint16_t kDefaultRowCount = 5;
    // The longest text the store reads back (it reads into 255 bytes with the
    // terminating zero).
    static constexpr std::size_t kMaxTextBytes = 254;

    explicit Settings(MessagePort& messages) : messages_(&messages) {}

    // Reads every value of the table. A value that is missing, cannot be
    // read or whose stored number lies outside its bounds takes its first-run
    // value (sAppPath, which has none, keeps what it held), and so do all the
    // values of a group that cannot be opened. Load shows nothing; it returns
    // the names of those values in table order. The start-up setup repairs
    // such a file before the program loads it and tells the user once.
    std::vector<std::string> load(RegistryPort& registry);
    // Writes every persisted value except sAppPath. Values that cannot be
    // written are told in one message that names them; false then.
    bool save(RegistryPort& registry);
    // Gives every value of the settings table its first-run value (the
    // program folder is the setup's to give).
    void setFirstRunValues();

    // General
    bool bAutoLoad() const { return bAutoLoad_; }
    void setBAutoLoad(bool v) { bAutoLoad_ = v; }
    bool bAutoShow() const { return bAutoShow_; }
    void setBAutoShow(bool v) { bAutoShow_ = v; }
    std::uint32_t uiTimer() const { return uiTimer_; }
    void setUiTimer(std::uint32_t v) { uiTimer_ = v; }
    // 1..kTimerMinutesMax minutes; anything else gives one minute.
    void setTimerMinutes(std::uint32_t minutes);
    static constexpr std::uint32_t kTimerMinutesMax = 719;
    bool bSaveMoxPos() const { return bSaveMoxPos_; }
    void setBSaveMoxPos(bool v) { bSaveMoxPos_ = v; }

    // Method
    // The direction of the choice mode and of the typing mode.
    Direction iDemoTypeSel() const { return iDemoTypeSel_; }
    Direction iDemoTypeInput() const { return iDemoTypeInput_; }
    // Sets the direction of `mode`; a direction that is none of the three
    // (a number cast to it) is refused with a message.
    void setDemoType(Direction type, Mode mode);
    Direction demoType(Mode mode) const;
    Mode iMainRegim() const { return iMainRegim_; }
    void setIMainRegim(Mode v) { iMainRegim_ = v; }
    std::uint16_t iExcludeAfter() const { return iExcludeAfter_; }
    void setIExcludeAfter(std::uint16_t v) { if (v != 0) iExcludeAfter_ = v; }
    std::uint16_t iHideAfter() const { return iHideAfter_; }
    void setIHideAfter(std::uint16_t v) { if (v != 0) iHideAfter_ = v; }
    // Whether the learning window hides itself after iHideAfter correct or
    // iShowCount answers of any kind.
    bool iHideState() const { return iHideState_; }
    void setIHideState(bool v) { iHideState_ = v; }
    // Never 0: zero is replaced by kDefaultRowCount.
    std::uint16_t iRowCount() const { return iRowCount_; }
    void setIRowCount(std::uint16_t v) { iRowCount_ = v ? v : kDefaultRowCount; }
    std::uint16_t iShowCount() const { return iShowCount_; }
    void setIShowCount(std::uint16_t v) { if (v != 0) iShowCount_ = v; }
    std::uint16_t uiLBRowMax() const { return uiLBRowMax_; }
    void setUiLBRowMax(std::uint16_t v) { uiLBRowMax_ = v; }
    bool bMatchCaseInput() const { return bMatchCaseInput_; }
    void setBMatchCaseInput(bool v) { bMatchCaseInput_ = v; }
    bool bShowTranscrSel() const { return bShowTranscrSel_; }
    void setBShowTranscrSel(bool v) { bShowTranscrSel_ = v; }
    bool bShowTranscrInput() const { return bShowTranscrInput_; }
    void setBShowTranscrInput(bool v) { bShowTranscrInput_ = v; }

    // Dicts
    std::uint16_t iSubSetRecCount() const { return iSubSetRecCount_; }
    void setISubSetRecCount(std::uint16_t v) { iSubSetRecCount_ = v; }
    std::uint32_t uiDictActiveCount() const { return uiDictActiveCount_; }
    void setUiDictActiveCount(std::uint32_t v) { uiDictActiveCount_ = v; }
    std::uint32_t uiDictRecCount() const { return uiDictRecCount_; }
    void setUiDictRecCount(std::uint32_t v) { uiDictRecCount_ = v; }
    std::string sCurDict() const { return sCurDict_; }
    void setSCurDict(const std::string& v) { sCurDict_ = v; }
    std::string sCurList() const { return sCurList_; }
    void setSCurList(const std::string& v) { sCurList_ = v; }
    // The dictionary editor's size as the user left it (0: not yet).
    std::uint16_t uiEditorWidth() const { return uiEditorWidth_; }
    void setUiEditorWidth(std::uint16_t v) { uiEditorWidth_ = v; }
    std::uint16_t uiEditorHeight() const { return uiEditorHeight_; }
    void setUiEditorHeight(std::uint16_t v) { uiEditorHeight_ = v; }

    // Fonts. Heights are negative point sizes, as the font builder takes them;
    // iForeignFontSize and iNativeFontSize share wordFontSize.
    std::uint8_t iForeignCharSet() const { return iForeignCharSet_; }
    void setIForeignCharSet(std::uint8_t v) { iForeignCharSet_ = v; }
    std::uint8_t iNativeCharSet() const { return iNativeCharSet_; }
    void setINativeCharSet(std::uint8_t v) { iNativeCharSet_ = v; }
    std::uint8_t iTransCharSet() const { return iTransCharSet_; }
    void setITransCharSet(std::uint8_t v) { iTransCharSet_ = v; }
    std::int16_t wordFontSize() const { return wordFontSize_; }
    void setWordFontSize(std::int16_t v) { wordFontSize_ = v; }
    std::int16_t transFontSize() const { return transFontSize_; }
    void setTransFontSize(std::int16_t v) { transFontSize_ = v; }
    std::uint32_t uiForeignLayout() const { return uiForeignLayout_; }
    void setUiForeignLayout(std::uint32_t v) { uiForeignLayout_ = v; }
    std::uint32_t uiNativeLayout() const { return uiNativeLayout_; }
    void setUiNativeLayout(std::uint32_t v) { uiNativeLayout_ = v; }
    std::uint32_t uiTransLayout() const { return uiTransLayout_; }
    void setUiTransLayout(std::uint32_t v) { uiTransLayout_ = v; }
    std::string sForeignFontFace() const { return sForeignFontFace_; }
    void setSForeignFontFace(const std::string& v) { sForeignFontFace_ = v; }
    std::string sNativeFontFace() const { return sNativeFontFace_; }
    void setSNativeFontFace(const std::string& v) { sNativeFontFace_ = v; }
    std::string sTransFontFace() const { return sTransFontFace_; }
    void setSTransFontFace(const std::string& v) { sTransFontFace_ = v; }

    // Results
    bool bShowStatCurItem() const { return bShowStatCurItem_; }
    void setBShowStatCurItem(bool v) { bShowStatCurItem_ = v; }

    // Derived folders and paths ("/"-separated; folders end with "/").
    std::string appPath() const { return appPath_; }
    std::string modFolder() const { return modFolder_; }
    std::string dictFolder() const { return dictFolder_; }
    std::string listFolder() const { return listFolder_; }
    std::string helpFile() const { return helpFile_; }
    // The current dictionary and list files: the folder plus sCurDict or
    // sCurList. Both are empty (no dictionary, nothing to open) when either
    // name would lead out of its folder or is empty (see confinedPath), or a
    // folder or other non-file stands at either path, so a list is never
    // written without its dictionary, nor the other way round.
    std::string dictionaryPath() const;
    std::string listPath() const;
    // startupDir with $NAME and ${NAME} expanded; empty when a name is unset.
    std::string startupFolder() const;
    // Sets sAppPath and the folders derived from it (load does this; tests too).
    void setAppPath(const std::string& path);

    // In-memory state, never persisted.
    Mode currentMode() const { return currentMode_; }
    void setCurrentMode(Mode v) { currentMode_ = v; }
    std::vector<std::string>& preloadLayouts() { return preloadLayouts_; }
    const std::vector<std::string>& preloadLayouts() const { return preloadLayouts_; }

    MessagePort& messages() const { return *messages_; }

private:
    friend struct SettingsTable;

    // Reads one value of the table into its field; false when it is missing,
    // unreadable or out of its bounds.
    bool read(RegistryKey& key, const SettingRow& row);

    MessagePort* messages_;

    std::string startupDir_;
    std::string appPath_, modFolder_, dictFolder_, listFolder_, helpFile_;

    bool bAutoLoad_ = false;
    bool bAutoShow_ = false;
    std::uint32_t uiTimer_ = 0;
    bool bSaveMoxPos_ = false;

    Direction iDemoTypeSel_ = Direction::Direct;
    Direction iDemoTypeInput_ = Direction::Direct;
    Mode iMainRegim_ = Mode::Choice;
    std::uint16_t iExcludeAfter_ = 0;
    std::uint16_t iHideAfter_ = 0;
    bool iHideState_ = false;
    std::uint16_t iRowCount_ = kDefaultRowCount;
    std::uint16_t iShowCount_ = 0;
    std::uint16_t uiLBRowMax_ = 0;
    bool bMatchCaseInput_ = false;
    bool bShowTranscrSel_ = false;
    bool bShowTranscrInput_ = false;

    std::uint16_t iSubSetRecCount_ = 0;
    std::uint32_t uiDictActiveCount_ = 0;
    std::uint32_t uiDictRecCount_ = 0;
    std::string sCurDict_, sCurList_;
    std::uint16_t uiEditorWidth_ = 0;
    std::uint16_t uiEditorHeight_ = 0;

    std::uint8_t iForeignCharSet_ = 0;
    std::uint8_t iNativeCharSet_ = 0;
    std::uint8_t iTransCharSet_ = 0;
    std::int16_t wordFontSize_ = 0;
    std::int16_t transFontSize_ = 0;
    std::uint32_t uiForeignLayout_ = 0;
    std::uint32_t uiNativeLayout_ = 0;
    std::uint32_t uiTransLayout_ = 0;
    std::string sForeignFontFace_, sNativeFontFace_, sTransFontFace_;

    bool bShowStatCurItem_ = false;

    Mode currentMode_ = Mode::Choice;
    std::vector<std::string> preloadLayouts_;
};

} // namespace mox
