#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/MessagePort.h"
#include "platform/RegistryPort.h"

namespace mox {

// Every user preference and the folders the program works in. Read once at
// start-up (load) and written back in one pass when the options sheet closes
// (save). Values are named by their store value names; a getter has the value's
// name and a setter "set" plus the name. The object starts zeroed: a value that
// cannot be read keeps 0 or the empty text.
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

    // Reads every value; failures are reported and leave the value as it was.
    bool load(RegistryPort& registry);
    // Writes every persisted value except sAppPath.
    bool save(RegistryPort& registry);

    // General
    std::int32_t bAutoLoad() const { return bAutoLoad_; }
    void setBAutoLoad(std::int32_t v) { bAutoLoad_ = v; }
    std::int32_t bAutoShow() const { return bAutoShow_; }
    void setBAutoShow(std::int32_t v) { bAutoShow_ = v; }
    std::uint32_t uiTimer() const { return uiTimer_; }
    void setUiTimer(std::uint32_t v) { uiTimer_ = v; }
    // 1..719 minutes; anything else gives one minute.
    void setTimerMinutes(std::uint32_t minutes);
    std::int32_t bSaveMoxPos() const { return bSaveMoxPos_; }
    void setBSaveMoxPos(std::int32_t v) { bSaveMoxPos_ = v; }

    // Method
    std::uint16_t iDemoTypeSel() const { return iDemoTypeSel_; }
    std::uint16_t iDemoTypeInput() const { return iDemoTypeInput_; }
    // mode 0 choice, 1 typing; a type above 2 is refused with a message.
    void setDemoType(std::uint16_t type, std::uint16_t mode);
    std::uint16_t demoType(std::uint16_t mode) const;
    std::uint16_t iMainRegim() const { return iMainRegim_; }
    void setIMainRegim(std::uint16_t v) { iMainRegim_ = v; }
    std::uint16_t iExcludeAfter() const { return iExcludeAfter_; }
    void setIExcludeAfter(std::uint16_t v) { if (v != 0) iExcludeAfter_ = v; }
    std::uint16_t iHideAfter() const { return iHideAfter_; }
    void setIHideAfter(std::uint16_t v) { if (v != 0) iHideAfter_ = v; }
    std::int32_t iHideState() const { return iHideState_; }
    void setIHideState(std::int32_t v) { iHideState_ = v; }
    // Never 0: zero is replaced by kDefaultRowCount.
    std::uint16_t iRowCount() const { return iRowCount_; }
    void setIRowCount(std::uint16_t v) { iRowCount_ = v ? v : kDefaultRowCount; }
    std::uint16_t iShowCount() const { return iShowCount_; }
    void setIShowCount(std::uint16_t v) { if (v != 0) iShowCount_ = v; }
    std::uint16_t uiLBRowMax() const { return uiLBRowMax_; }
    void setUiLBRowMax(std::uint16_t v) { uiLBRowMax_ = v; }
    std::int32_t bMatchCaseInput() const { return bMatchCaseInput_; }
    void setBMatchCaseInput(std::int32_t v) { bMatchCaseInput_ = v; }
    std::int32_t bShowTranscrSel() const { return bShowTranscrSel_; }
    void setBShowTranscrSel(std::int32_t v) { bShowTranscrSel_ = v; }
    std::int32_t bShowTranscrInput() const { return bShowTranscrInput_; }
    void setBShowTranscrInput(std::int32_t v) { bShowTranscrInput_ = v; }

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
    std::int32_t bShowStatCurItem() const { return bShowStatCurItem_; }
    void setBShowStatCurItem(std::int32_t v) { bShowStatCurItem_ = v; }

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
    std::uint16_t currentMode() const { return currentMode_; }
    void setCurrentMode(std::uint16_t v) { currentMode_ = v; }
    std::vector<std::string>& preloadLayouts() { return preloadLayouts_; }
    const std::vector<std::string>& preloadLayouts() const { return preloadLayouts_; }

    MessagePort& messages() const { return *messages_; }

private:
    friend struct SettingsTable;

    MessagePort* messages_;

    std::string startupDir_;
    std::string appPath_, modFolder_, dictFolder_, listFolder_, helpFile_;

    std::int32_t bAutoLoad_ = 0;
    std::int32_t bAutoShow_ = 0;
    std::uint32_t uiTimer_ = 0;
    std::int32_t bSaveMoxPos_ = 0;

    std::uint16_t iDemoTypeSel_ = 0;
    std::uint16_t iDemoTypeInput_ = 0;
    std::uint16_t iMainRegim_ = 0;
    std::uint16_t iExcludeAfter_ = 0;
    std::uint16_t iHideAfter_ = 0;
    std::int32_t iHideState_ = 0;
    std::uint16_t iRowCount_ = kDefaultRowCount;
    std::uint16_t iShowCount_ = 0;
    std::uint16_t uiLBRowMax_ = 0;
    std::int32_t bMatchCaseInput_ = 0;
    std::int32_t bShowTranscrSel_ = 0;
    std::int32_t bShowTranscrInput_ = 0;

    std::uint16_t iSubSetRecCount_ = 0;
    std::uint32_t uiDictActiveCount_ = 0;
    std::uint32_t uiDictRecCount_ = 0;
    std::string sCurDict_, sCurList_;

    std::uint8_t iForeignCharSet_ = 0;
    std::uint8_t iNativeCharSet_ = 0;
    std::uint8_t iTransCharSet_ = 0;
    std::int16_t wordFontSize_ = 0;
    std::int16_t transFontSize_ = 0;
    std::uint32_t uiForeignLayout_ = 0;
    std::uint32_t uiNativeLayout_ = 0;
    std::uint32_t uiTransLayout_ = 0;
    std::string sForeignFontFace_, sNativeFontFace_, sTransFontFace_;

    std::int32_t bShowStatCurItem_ = 0;

    std::uint16_t currentMode_ = 0;
    std::vector<std::string> preloadLayouts_;
};

} // namespace mox
