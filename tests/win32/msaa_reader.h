#pragma once

// What a screen reader reads of a window through MSAA, asked the way NVDA and JAWS ask:
// AccessibleObjectFromWindow for the client object, AccessibleChildren for what it holds.
#include <windows.h>

#include <ole2.h>

#include <oleacc.h>

#include <string>
#include <vector>

#include "ui/win32/com_ptr.h"

namespace test {

using ui::win32::ComPtr;

// One object or simple element, as read.
struct Read {
  long role = 0;
  std::wstring name;
  std::wstring action;  // the default action, empty for none
  long state = 0;
  RECT where{};  // on the screen
  std::vector<Read> children;
};

// A BSTR handed out by a call, freed with the holder.
class Bstr {
 public:
  Bstr() = default;
  ~Bstr() { SysFreeString(text_); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  BSTR* put() { return &text_; }
  std::wstring str() const { return text_ != nullptr ? std::wstring(text_) : std::wstring(); }

 private:
  BSTR text_ = nullptr;
};

inline VARIANT child_variant(long id) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_I4;
  v.lVal = id;
  return v;
}

// The client object of a window.
inline ComPtr<IAccessible> client_of(HWND window) {
  ComPtr<IAccessible> client;
  AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                             reinterpret_cast<void**>(client.put()));
  return client;
}

inline Read read_one(IAccessible* object, long id) {
  Read read;
  const VARIANT child = child_variant(id);
  Bstr name, action;
  object->get_accName(child, name.put());
  object->get_accDefaultAction(child, action.put());
  read.name = name.str();
  read.action = action.str();
  VARIANT role, state;
  VariantInit(&role);
  VariantInit(&state);
  if (SUCCEEDED(object->get_accRole(child, &role)) && role.vt == VT_I4) read.role = role.lVal;
  if (SUCCEEDED(object->get_accState(child, &state)) && state.vt == VT_I4) read.state = state.lVal;
  long x = 0, y = 0, w = 0, h = 0;
  object->accLocation(&x, &y, &w, &h, child);
  read.where = {x, y, x + w, y + h};
  return read;
}

// An object and everything under it.
inline Read read_tree(IAccessible* object) {
  Read read = read_one(object, CHILDID_SELF);
  long count = 0;
  object->get_accChildCount(&count);
  std::vector<VARIANT> children(static_cast<std::size_t>(count));
  long obtained = 0;
  if (count > 0) AccessibleChildren(object, 0, count, children.data(), &obtained);
  for (long i = 0; i < obtained; ++i) {
    VARIANT& child = children[static_cast<std::size_t>(i)];
    if (child.vt == VT_DISPATCH) {
      ComPtr<IAccessible> inner;
      if (child.pdispVal != nullptr) {
        child.pdispVal->QueryInterface(__uuidof(IAccessible),
                                       reinterpret_cast<void**>(inner.put()));
      }
      if (inner) read.children.push_back(read_tree(inner.get()));
    } else if (child.vt == VT_I4) {
      read.children.push_back(read_one(object, child.lVal));
    }
    VariantClear(&child);
  }
  return read;
}

// The number of the first simple child of an object with that name; 0 (the object itself) for
// none.
inline long child_named(IAccessible* object, const std::wstring& name) {
  long count = 0;
  object->get_accChildCount(&count);
  std::vector<VARIANT> children(static_cast<std::size_t>(count));
  long obtained = 0;
  if (count > 0) AccessibleChildren(object, 0, count, children.data(), &obtained);
  long found = CHILDID_SELF;
  for (long i = 0; i < obtained; ++i) {
    VARIANT& child = children[static_cast<std::size_t>(i)];
    if (found == CHILDID_SELF && child.vt == VT_I4 && read_one(object, child.lVal).name == name) {
      found = child.lVal;
    }
    VariantClear(&child);
  }
  return found;
}

// Presses the child of that name by its default action; false when none has it or the press was
// refused.
inline bool press(IAccessible* object, const std::wstring& name) {
  const long id = child_named(object, name);
  return id != CHILDID_SELF && SUCCEEDED(object->accDoDefaultAction(child_variant(id)));
}

// The roles a Klimbor window has, in words.
inline std::wstring role_word(long role) {
  switch (role) {
    case ROLE_SYSTEM_CLIENT:
      return L"client";
    case ROLE_SYSTEM_PUSHBUTTON:
      return L"button";
    case ROLE_SYSTEM_STATICTEXT:
      return L"text";
    case ROLE_SYSTEM_GRAPHIC:
      return L"graphic";
    case ROLE_SYSTEM_LIST:
      return L"list";
    case ROLE_SYSTEM_LISTITEM:
      return L"item";
    default:
      return L"role " + std::to_wstring(role);
  }
}

// One line per object, children indented under their parent: `button "Valider" [Appuyer]`.
inline std::wstring lines_of(const Read& read, int depth = 0) {
  std::wstring text(static_cast<std::size_t>(depth) * 2, L' ');
  text += role_word(read.role) + L" \"" + read.name + L"\"";
  if (!read.action.empty()) text += L" [" + read.action + L"]";
  text += L"\n";
  for (const Read& child : read.children) text += lines_of(child, depth + 1);
  return text;
}

}  // namespace test
