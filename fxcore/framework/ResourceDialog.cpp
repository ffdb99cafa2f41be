#include <tormakelin/fxcore/ResourceDialog.h>

#include <commctrl.h>
#include <commdlg.h>

#include <cstring>
#include <string_view>

namespace tormakelin::fxcore {

namespace {

// The dialog that runs modally; a nested dialog saves it and puts it back when it ends.
ResourceDialog* g_activeDialog = nullptr;

// Which dialog a window belongs to, set once WM_INITDIALOG hands us the object: messages to an
// outer dialog while an inner one runs still reach the outer one.
constexpr const char* kDialogProperty = "Tormakelin.ResourceDialog";

INT_PTR dialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG && lParam != 0)
        SetPropA(window, kDialogProperty, reinterpret_cast<HANDLE>(lParam));
    auto* dialog = static_cast<ResourceDialog*>(GetPropA(window, kDialogProperty));
    if (!dialog)
        dialog = g_activeDialog;
    INT_PTR const result = dialog ? dialog->onMessage(window, message, wParam, lParam) : FALSE;
    if (message == WM_NCDESTROY)
        RemovePropA(window, kDialogProperty);
    return result;
}

// Up to the first zero byte: a zero inside would end the filter entry early.
std::string_view untilZero(const std::string& text)
{
    return std::string_view(text.c_str(), std::strlen(text.c_str()));
}

} // namespace

ResourceDialog::ResourceDialog() = default;

ResourceDialog::~ResourceDialog()
{
    if (g_activeDialog == this)
        g_activeDialog = nullptr;
}

HINSTANCE ResourceDialog::getInstance() { return nullptr; }

int ResourceDialog::getDialogId() { return 0; }

INT_PTR ResourceDialog::onMessage(HWND, UINT, WPARAM, LPARAM) { return 0; }

void ResourceDialog::addFileType(const FileType& type) { m_fileTypes.push_back(type); }

void ResourceDialog::addFileType(const std::string& description, const std::string& pattern)
{
    m_fileTypes.push_back(FileType{description, pattern});
}

ResourceDialog* ResourceDialog::getActive() { return g_activeDialog; }

std::string ResourceDialog::buildFilter() const
{
    std::string filter;
    for (const FileType& type : m_fileTypes) {
        std::string_view const description = untilZero(type.description);
        std::string_view const pattern = untilZero(type.pattern);
        // An empty text would read as the list's end.
        if (description.empty() || pattern.empty())
            continue;
        size_t const entry = description.size() + 1 + pattern.size() + 1;
        if (filter.size() + entry + 1 > kFilterCapacity)
            break;
        filter.append(description).push_back('\0');
        filter.append(pattern).push_back('\0');
    }
    if (!filter.empty())
        filter.push_back('\0');
    return filter;
}

bool ResourceDialog::doModal(void* owner, ResourceDialogType type)
{
    HWND const ownerWindow = static_cast<HWND>(owner);
    switch (type) {
    case ResourceDialogOpenFile: return runOpenFile(ownerWindow);
    case ResourceDialogModal: return runDialog(ownerWindow);
    }
    return false;
}

bool ResourceDialog::runOpenFile(HWND owner)
{
    std::string const filter = buildFilter();
    char file[kFileNameCapacity] = {};
    OPENFILENAMEA request{};
    request.lStructSize = sizeof(request);
    request.hwndOwner = owner;
    request.lpstrFilter = filter.empty() ? nullptr : filter.data();
    request.lpstrFile = file;
    request.nMaxFile = DWORD(sizeof(file));
    request.lpstrTitle = "Import Resource";
    request.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_READONLY;
    if (!GetOpenFileNameA(&request))
        return false;
    file[sizeof(file) - 1] = '\0';
    m_fileName = file;
    return true;
}

bool ResourceDialog::runDialog(HWND owner)
{
    ResourceDialog* const outer = g_activeDialog;
    g_activeDialog = this;
    INT_PTR const result = DialogBoxParamA(getInstance(), MAKEINTRESOURCEA(getDialogId()), owner,
        dialogProcedure, reinterpret_cast<LPARAM>(this));
    g_activeDialog = outer;
    return result == 1;
}

HWND ResourceDialog::getDlgItem(HWND dialog, int id) { return GetDlgItem(dialog, id); }

int ResourceDialog::getSliderPos(HWND dialog, int id)
{
    return int(SendDlgItemMessageA(dialog, id, TBM_GETPOS, 0, 0));
}

void ResourceDialog::setSliderPos(HWND dialog, int id, int pos)
{
    SendDlgItemMessageA(dialog, id, TBM_SETPOS, TRUE, LPARAM(pos));
}

void ResourceDialog::setSliderRange(HWND dialog, int id, int min, int max)
{
    SendDlgItemMessageA(dialog, id, TBM_SETRANGE, TRUE, MAKELPARAM(min, max));
}

int ResourceDialog::addComboItem(HWND dialog, int id, const std::string& text, int key)
{
    LRESULT const index = SendDlgItemMessageA(dialog, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    if (index < 0)
        return int(index);
    SendDlgItemMessageA(dialog, id, CB_SETITEMDATA, WPARAM(index), LPARAM(key));
    return int(index);
}

int ResourceDialog::getComboKey(HWND dialog, int id, int index)
{
    return int(SendDlgItemMessageA(dialog, id, CB_GETITEMDATA, WPARAM(index), 0));
}

void ResourceDialog::setComboSelection(HWND dialog, int id, int index)
{
    SendDlgItemMessageA(dialog, id, CB_SETCURSEL, WPARAM(index), 0);
}

int ResourceDialog::getComboSelection(HWND dialog, int id)
{
    return int(SendDlgItemMessageA(dialog, id, CB_GETCURSEL, 0, 0));
}

void ResourceDialog::setCheck(HWND dialog, int id, bool checked)
{
    SendDlgItemMessageA(dialog, id, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool ResourceDialog::getCheck(HWND dialog, int id)
{
    return SendDlgItemMessageA(dialog, id, BM_GETCHECK, 0, 0) != 0;
}

void ResourceDialog::setText(HWND dialog, int id, const std::string& text)
{
    SetWindowTextA(GetDlgItem(dialog, id), text.c_str());
}

std::string ResourceDialog::getText(HWND dialog, int id)
{
    char text[kTextCapacity + 1] = {};
    int const length = GetWindowTextA(GetDlgItem(dialog, id), text, int(sizeof(text)));
    if (length <= 0)
        return std::string();
    return std::string(text, std::strlen(text));
}

} // namespace tormakelin::fxcore
