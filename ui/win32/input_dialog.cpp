#include "ui/win32/input_dialog.h"

#include <vector>

namespace ui::win32 {

namespace {

constexpr WORD kPromptId = 100;
constexpr WORD kEditId = 101;
constexpr WORD kButtonClass = 0x0080, kEditClass = 0x0081, kStaticClass = 0x0082;

// A dialog template in memory, so that the binding needs no resource of the program's own.
class Template {
 public:
  Template(DWORD style, short cx, short cy) {
    put_dword(style);
    put_dword(0);  // extended style
    count_at_ = words_.size();
    put_word(0);  // number of controls, counted as they come
    put_words({0, 0, static_cast<WORD>(cx), static_cast<WORD>(cy)});
    put_words({0, 0});  // no menu, the standard class
    put_text(L"");      // the title is set when the box opens
    put_word(8);
    put_text(L"MS Shell Dlg");
  }

  void add(WORD cls, WORD id, DWORD style, short x, short y, short cx, short cy,
           const wchar_t* text) {
    if (words_.size() % 2 != 0) put_word(0);  // each control starts on a DWORD
    put_dword(style | WS_CHILD | WS_VISIBLE);
    put_dword(0);
    put_words({static_cast<WORD>(x), static_cast<WORD>(y), static_cast<WORD>(cx),
               static_cast<WORD>(cy), id, 0xFFFF, cls});
    put_text(text);
    put_word(0);  // no creation data
    ++words_[count_at_];
  }

  const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

 private:
  void put_word(WORD w) { words_.push_back(w); }
  void put_words(std::initializer_list<WORD> ws) { words_.insert(words_.end(), ws); }
  void put_dword(DWORD d) { put_words({LOWORD(d), HIWORD(d)}); }
  void put_text(const wchar_t* text) {
    for (; *text != L'\0'; ++text) put_word(static_cast<WORD>(*text));
    put_word(0);
  }

  std::vector<WORD> words_;  // WORDs keep the template's alignment; the vector's is enough
  std::size_t count_at_;
};

struct Exchange {
  const std::wstring& title;
  const std::wstring& prompt;
  int max_chars;
  std::wstring typed;
};

INT_PTR CALLBACK dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG: {
      auto& exchange = *reinterpret_cast<Exchange*>(lparam);
      SetWindowLongPtrW(dialog, DWLP_USER, lparam);
      SetWindowTextW(dialog, exchange.title.c_str());
      SetDlgItemTextW(dialog, kPromptId, exchange.prompt.c_str());
      SendDlgItemMessageW(dialog, kEditId, EM_LIMITTEXT, static_cast<WPARAM>(exchange.max_chars),
                          0);
      return TRUE;  // the edit, first to take the focus, gets it
    }
    case WM_COMMAND:
      if (LOWORD(wparam) == IDOK) {
        auto& exchange = *reinterpret_cast<Exchange*>(GetWindowLongPtrW(dialog, DWLP_USER));
        HWND edit = GetDlgItem(dialog, kEditId);
        exchange.typed.resize(static_cast<std::size_t>(GetWindowTextLengthW(edit)) + 1);
        const int length =
            GetWindowTextW(edit, exchange.typed.data(), static_cast<int>(exchange.typed.size()));
        exchange.typed.resize(static_cast<std::size_t>(length));
        EndDialog(dialog, IDOK);
        return TRUE;
      }
      if (LOWORD(wparam) == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
      }
      break;
    default:
      break;
  }
  return FALSE;
}

}  // namespace

std::wstring ask(HWND owner, const std::wstring& title, const std::wstring& prompt, int max_chars) {
  // The layout of the classic input box: the prompt at the left, the buttons at the right, the
  // edit across the bottom.
  Template box(DS_MODALFRAME | DS_SETFONT | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU, 240,
               84);
  box.add(kEditClass, kEditId, WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 7, 63, 226, 13, L"");
  box.add(kStaticClass, kPromptId, SS_LEFT | SS_NOPREFIX, 7, 7, 168, 50, L"");
  box.add(kButtonClass, IDOK, BS_DEFPUSHBUTTON | WS_TABSTOP, 183, 7, 50, 14, L"OK");
  box.add(kButtonClass, IDCANCEL, BS_PUSHBUTTON | WS_TABSTOP, 183, 25, 50, 14, L"Annuler");
  Exchange exchange{title, prompt, max_chars, {}};
  const INT_PTR answer = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), box.get(), owner,
                                                 dialog_proc, reinterpret_cast<LPARAM>(&exchange));
  return answer == IDOK ? exchange.typed : std::wstring();
}

}  // namespace ui::win32
