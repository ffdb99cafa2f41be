// Dialog drawing: placeholder until the ImGui renderer lands.
#include "win32_state.h"

namespace tormakelin::win32 {
DialogUi* createDialogUi(Window&) { return nullptr; }
void destroyDialogUi(DialogUi*) {}
void queueDialogEvent(DialogUi*, const void*) {}
bool drawDialog(Window&, std::vector<uint8_t>*, int*, int*) { return false; }
bool dialogHasPopup(DialogUi*) { return false; }
bool captureWindow(HWND, int&, int&, std::vector<uint8_t>&) { return false; }
}  // namespace tormakelin::win32
