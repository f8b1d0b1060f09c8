// Input.cpp - keys and pointer moves through SendInput.
#include "tests/support/Input.h"

#include <vector>

namespace rulv::test {

namespace {

INPUT KeyInput(WORD key, WORD scan, DWORD flags) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.wScan = scan;
    input.ki.dwFlags = flags;
    return input;
}

void Send(std::vector<INPUT> inputs) {
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    // Give the system time to hand the input on before the next step.
    Sleep(30);
}

}  // namespace

void TypeKey(WORD key, bool control) {
    std::vector<INPUT> inputs;
    if (control) inputs.push_back(KeyInput(VK_CONTROL, 0, 0));
    inputs.push_back(KeyInput(key, 0, 0));
    inputs.push_back(KeyInput(key, 0, KEYEVENTF_KEYUP));
    if (control) inputs.push_back(KeyInput(VK_CONTROL, 0, KEYEVENTF_KEYUP));
    Send(inputs);
}

void TypeKeyWith(WORD modifier, WORD key) {
    Send({KeyInput(modifier, 0, 0), KeyInput(key, 0, 0), KeyInput(key, 0, KEYEVENTF_KEYUP),
          KeyInput(modifier, 0, KEYEVENTF_KEYUP)});
}

void TypeText(std::wstring_view text) {
    std::vector<INPUT> inputs;
    for (const wchar_t c : text) {
        inputs.push_back(KeyInput(0, c, KEYEVENTF_UNICODE));
        inputs.push_back(KeyInput(0, c, KEYEVENTF_UNICODE | KEYEVENTF_KEYUP));
    }
    Send(inputs);
}

void MovePointerTo(POINT screen) {
    // Absolute coordinates run from 0 to 65535 over the primary screen.
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = MulDiv(screen.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
    input.mi.dy = MulDiv(screen.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    Send({input});
}

void MovePointerOver(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    MovePointerTo({(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2});
}

namespace {

void Click(DWORD downFlag, DWORD upFlag) {
    INPUT down{};
    down.type = INPUT_MOUSE;
    down.mi.dwFlags = downFlag;
    INPUT up = down;
    up.mi.dwFlags = upFlag;
    Send({down, up});
}

}  // namespace

void ClickLeft() { Click(MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP); }

void ClickRight() { Click(MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP); }

}  // namespace rulv::test
