#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    MessageBoxW(nullptr, L"Zudazuv Orerozo Vuzuvaz", L"Quillora 5 Zudazuv Orerozo Vuzuvaz", MB_OK);
    return 0;
}
