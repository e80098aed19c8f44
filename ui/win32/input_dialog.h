#pragma once

#include <windows.h>

#include <string>

namespace ui::win32 {

// The input box: the prompt, an edit that takes at most max_chars, "OK" and "Annuler", modal to
// owner. Returns the text typed, the empty text on Annuler or on closing the box.
std::wstring ask(HWND owner, const std::wstring& title, const std::wstring& prompt, int max_chars);

}  // namespace ui::win32
