#pragma once
// Base of the engine's dialogs: the open-file dialog that imports a resource file, or a modal
// dialog box from a subclass's template with its messages routed to onMessage, plus the control
// helpers the setup dialog and the loaders' setup pages use.

#include <tormakelin/fxcore/Export.h>

#include <windows.h>

#include <string>
#include <vector>

namespace tormakelin::fxcore {

enum ResourceDialogType : int { ResourceDialogOpenFile = 0, ResourceDialogModal = 1 };

class TORMAKELIN_FXCORE_API ResourceDialog {
public:
    struct FileType {
        std::string description;
        std::string pattern;
    };

    // The filter text handed to the open-file dialog never exceeds this, its zero bytes included.
    static constexpr size_t kFilterCapacity = 8192;
    // Room of the chosen path, its zero byte included.
    static constexpr size_t kFileNameCapacity = 260;
    // The most characters getText returns.
    static constexpr int kTextCapacity = 1024;

    ResourceDialog();
    virtual ~ResourceDialog();
    ResourceDialog(const ResourceDialog&) = delete;
    ResourceDialog& operator=(const ResourceDialog&) = delete;

    // The module whose templates hold the dialog (null: the program's own).
    virtual HINSTANCE getInstance();
    virtual int getDialogId();
    // The dialog procedure's answer for one message of the running dialog.
    virtual INT_PTR onMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

    void addFileType(const FileType& type);
    void addFileType(const std::string& description, const std::string& pattern);
    const std::vector<FileType>& getFileTypes() const { return m_fileTypes; }
    // Empty until an open-file dialog picks a file.
    const std::string& getFileName() const { return m_fileName; }

    // Type 0: true when a file was picked. Type 1: true when the dialog ended with 1.
    bool doModal(void* owner, ResourceDialogType type);

    // The filter text for the file types: pairs of zero-ended texts and one more zero byte; types
    // that no longer fit in kFilterCapacity are left out. Empty with no usable type.
    std::string buildFilter() const;

    // The modal dialog running now, or null.
    static ResourceDialog* getActive();

    static HWND getDlgItem(HWND dialog, int id);
    static int getSliderPos(HWND dialog, int id);
    static void setSliderPos(HWND dialog, int id, int pos);
    static void setSliderRange(HWND dialog, int id, int min, int max);
    // The new item's index (CB_ERR when the control refuses it).
    static int addComboItem(HWND dialog, int id, const std::string& text, int key);
    static int getComboKey(HWND dialog, int id, int index);
    static void setComboSelection(HWND dialog, int id, int index);
    static int getComboSelection(HWND dialog, int id);
    static void setCheck(HWND dialog, int id, bool checked);
    static bool getCheck(HWND dialog, int id);
    static void setText(HWND dialog, int id, const std::string& text);
    static std::string getText(HWND dialog, int id);

private:
    bool runOpenFile(HWND owner);
    bool runDialog(HWND owner);

    std::vector<FileType> m_fileTypes;
    std::string m_fileName;
};

} // namespace tormakelin::fxcore
