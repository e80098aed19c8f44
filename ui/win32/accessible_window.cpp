#include "ui/win32/accessible_window.h"

#include <ole2.h>

#include <oleacc.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <map>
#include <type_traits>
#include <utility>

#include "ui/accessibility.h"
#include "ui/grid_cells.h"
#include "ui/layout.h"
#include "ui/scene.h"
#include "ui/win32/com_ptr.h"
#include "ui/win32/gdi.h"
#include "ui/win32/text.h"

namespace ui::win32 {

namespace {

// What MSAA needs beyond user32, loaded when a reader first asks: a program played without one
// neither loads nor imports them.
class Msaa {
 public:
  static std::shared_ptr<const Msaa> load() {
    auto msaa = std::make_shared<Msaa>();
    return msaa->find_all() ? msaa : nullptr;
  }

  LRESULT(WINAPI* lresult_from_object)(REFIID, WPARAM, LPUNKNOWN) = nullptr;
  HRESULT(WINAPI* create_std_accessible_object)(HWND, LONG, REFIID, void**) = nullptr;
  BSTR(WINAPI* sys_alloc_string)(const OLECHAR*) = nullptr;
  HRESULT(WINAPI* co_initialize_ex)(LPVOID, DWORD) = nullptr;
  void(WINAPI* co_uninitialize)() = nullptr;

 private:
  template <class F>
  static bool find(const UniqueLibrary& library, const char* name, F& call) {
    if (!library) return false;
    call = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(library.get(), name)));
    return call != nullptr;
  }

  bool find_all() {
    ole32_.reset(LoadLibraryW(L"ole32.dll"));
    oleaut32_.reset(LoadLibraryW(L"oleaut32.dll"));
    oleacc_.reset(LoadLibraryW(L"oleacc.dll"));
    return find(oleacc_, "LresultFromObject", lresult_from_object) &&
           find(oleacc_, "CreateStdAccessibleObject", create_std_accessible_object) &&
           find(oleaut32_, "SysAllocString", sys_alloc_string) &&
           find(ole32_, "CoInitializeEx", co_initialize_ex) &&
           find(ole32_, "CoUninitialize", co_uninitialize);
  }

  // oleacc, which uses the other two, is freed first.
  UniqueLibrary ole32_, oleaut32_, oleacc_;
};

}  // namespace

class AccessibleNode;

// What the objects handed to readers share with their window. Once the window is gone, form is
// null and every object answers that it is no longer connected.
struct AccessibleLink {
  Form* form = nullptr;
  HWND window = nullptr;
  UINT press = 0;  // posted to the window for a reader's press
  std::shared_ptr<const Msaa> msaa;
  ComPtr<AccessibleNode> client;
  std::map<const Box*, ComPtr<AccessibleNode>> inner;  // children that are objects of their own
};

// The calls that MSAA makes, on a thread with COM for the life of the guard.
class AccessibleWindow::Apartment {
 public:
  explicit Apartment(std::shared_ptr<const Msaa> msaa) : msaa_(std::move(msaa)) {
    entered_ = SUCCEEDED(msaa_->co_initialize_ex(nullptr, COINIT_APARTMENTTHREADED));
  }
  ~Apartment() {
    if (entered_) msaa_->co_uninitialize();
  }
  Apartment(const Apartment&) = delete;
  Apartment& operator=(const Apartment&) = delete;

 private:
  std::shared_ptr<const Msaa> msaa_;
  bool entered_ = false;
};

namespace {

// The shared reading in MSAA's words. The window is read as its client area, the grid as a list
// of places.
long msaa_role(Role role) {
  switch (role) {
    case Role::window:
      return ROLE_SYSTEM_CLIENT;
    case Role::push_button:
      return ROLE_SYSTEM_PUSHBUTTON;
    case Role::graphic:
      return ROLE_SYSTEM_GRAPHIC;
    case Role::text:
      return ROLE_SYSTEM_STATICTEXT;
    case Role::table:
      return ROLE_SYSTEM_LIST;
  }
  return ROLE_SYSTEM_CLIENT;
}

// The boxes a reader is told of: shown, not decoration, and not hidden behind another box, where
// no click reaches them either. In reading order, top to bottom then left to right: the outcome
// before the score, the buttons from left to right.
std::vector<Box*> readable(const Form& form) {
  std::vector<Box*> found;
  if (!form.Visible) return found;
  for (Box* box : back_to_front(form)) {
    if (accessible_of(*box).decorative) continue;
    const PixelRect r = window_rect(*box);
    if (box_at(form, r.x + r.width / 2, r.y + r.height / 2) == box) found.push_back(box);
  }
  std::stable_sort(found.begin(), found.end(), [](const Box* a, const Box* b) {
    const PixelRect ra = window_rect(*a), rb = window_rect(*b);
    return std::pair(ra.y, ra.x) < std::pair(rb.y, rb.x);
  });
  return found;
}

bool is_readable(const Form& form, const Box& box) {
  const std::vector<Box*> boxes = readable(form);
  return std::find(boxes.begin(), boxes.end(), &box) != boxes.end();
}

// A box is the child numbered by its place among the form's boxes: the number stays while other
// boxes come and go.
long child_id(const Form& form, const Box& box) {
  const auto& boxes = form.boxes();
  return static_cast<long>(std::find(boxes.begin(), boxes.end(), &box) - boxes.begin()) + 1;
}

Box* box_of(const Form& form, long id) {
  const auto& boxes = form.boxes();
  if (id < 1 || id > static_cast<long>(boxes.size())) return nullptr;
  return boxes[static_cast<std::size_t>(id - 1)];
}

const std::function<void()>* click_of(Box& box) {
  const std::function<void()>* click = nullptr;
  visit(box, Overloaded{
                 [&](Picture& picture) { click = &picture.Click; },
                 [&](Button& button) { click = &button.Click; },
                 [](auto&) {},
             });
  return click;
}

// The window draws the model at a whole scale: its client area is that many times the form's.
int scale_of(const AccessibleLink& link) {
  RECT client;
  GetClientRect(link.window, &client);
  return std::max(1, static_cast<int>(client.right) / std::max(1, px(link.form->ScaleWidth)));
}

RECT on_screen(const AccessibleLink& link, const PixelRect& r) {
  const int scale = scale_of(link);
  POINT origin{0, 0};
  ClientToScreen(link.window, &origin);
  return {origin.x + r.x * scale, origin.y + r.y * scale, origin.x + (r.x + r.width) * scale,
          origin.y + (r.y + r.height) * scale};
}

// A point of the screen in the model's pixels of the window.
POINT in_window(const AccessibleLink& link, long x, long y) {
  POINT at{x, y};
  ScreenToClient(link.window, &at);
  const int scale = scale_of(link);
  return {at.x / scale, at.y / scale};
}

bool contains(const PixelRect& r, POINT at) {
  return at.x >= r.x && at.y >= r.y && at.x < r.x + r.width && at.y < r.y + r.height;
}

std::optional<long> id_in(const VARIANT& child) {
  if (child.vt != VT_I4) return std::nullopt;
  return child.lVal;
}

void set_empty(VARIANT* v) {
  v->vt = VT_EMPTY;
}

void set_long(VARIANT* v, long value) {
  v->vt = VT_I4;
  v->lVal = value;
}

constexpr const wchar_t* kPress = L"Appuyer";

}  // namespace

// What a reader is told of the object itself (child 0) or of one of its simple children.
struct Facts {
  long role = 0;
  std::string name;
  long state = 0;
  PixelRect area;  // in the model's pixels of the window
  bool pressable = false;
};

// One MSAA object: IAccessible over the facts its kind gives, and the enumeration of its
// children, which AccessibleChildren asks for.
class AccessibleNode : public IAccessible, public IEnumVARIANT {
 public:
  explicit AccessibleNode(std::shared_ptr<AccessibleLink> link) : link_(std::move(link)) {}
  virtual ~AccessibleNode() = default;
  AccessibleNode(const AccessibleNode&) = delete;
  AccessibleNode& operator=(const AccessibleNode&) = delete;

  // The children now, by number.
  virtual std::vector<long> children() = 0;
  // Of itself (0) or of a child; none for a number that is no child now.
  virtual std::optional<Facts> facts(long id) = 0;
  // A child that is an object of its own.
  virtual ComPtr<AccessibleNode> object_of(long) { return {}; }
  // The child at a point of the window (0: itself); none outside.
  virtual std::optional<long> child_at(POINT at) = 0;
  virtual ComPtr<IDispatch> parent() = 0;
  virtual void press(long) {}
  virtual bool focused() { return false; }

  // A child as a reader gets it: an object, or a number.
  void put_child(long id, VARIANT* out) {
    if (id != CHILDID_SELF) {
      if (ComPtr<AccessibleNode> object = object_of(id)) {
        out->vt = VT_DISPATCH;
        out->pdispVal = static_cast<IAccessible*>(object.release());
        return;
      }
    }
    set_long(out, id);
  }

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    if (iid == __uuidof(IUnknown) || iid == __uuidof(IDispatch) || iid == __uuidof(IAccessible)) {
      *out = static_cast<IAccessible*>(this);
    } else if (iid == __uuidof(IEnumVARIANT)) {
      *out = static_cast<IEnumVARIANT*>(this);
    } else {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

  // IDispatch: readers call the methods themselves, never by name.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                   UINT*) override {
    return E_NOTIMPL;
  }

  // IAccessible
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (!connected()) return CO_E_OBJNOTCONNECTED;
    *out = parent().release();
    return *out != nullptr ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override {
    if (count == nullptr) return E_POINTER;
    *count = 0;
    if (!connected()) return CO_E_OBJNOTCONNECTED;
    *count = static_cast<long>(children().size());
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (!connected()) return CO_E_OBJNOTCONNECTED;
    const std::optional<long> id = id_in(child);
    if (!id || *id == CHILDID_SELF || !facts(*id)) return E_INVALIDARG;
    *out = static_cast<IAccessible*>(object_of(*id).release());
    return *out != nullptr ? S_OK : S_FALSE;  // S_FALSE: a simple element, read through this one
  }
  HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
    return answer(child, name, [](const Facts& f) { return wide(f.name); });
  }
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT, BSTR* value) override {
    return not_supported(value);
  }
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT, BSTR* description) override {
    return not_supported(description);
  }
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
    return answer(child, role, [](const Facts& f) { return f.role; });
  }
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
    return answer(child, state, [](const Facts& f) { return f.state; });
  }
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT, BSTR* help) override {
    return not_supported(help);
  }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT, long* topic) override {
    if (topic != nullptr) *topic = 0;
    return not_supported(file);
  }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT, BSTR* shortcut) override {
    return not_supported(shortcut);
  }
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* out) override {
    if (out == nullptr) return E_POINTER;
    set_empty(out);
    if (!connected()) return CO_E_OBJNOTCONNECTED;
    if (focused()) set_long(out, CHILDID_SELF);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* out) override {
    if (out != nullptr) set_empty(out);
    return DISP_E_MEMBERNOTFOUND;
  }
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
    if (action == nullptr) return E_POINTER;
    *action = nullptr;
    if (!connected()) return CO_E_OBJNOTCONNECTED;
    const std::optional<Facts> f = facts_of(child);
    if (!f) return E_INVALIDARG;
    if (!f->pressable) return S_FALSE;
    return string(kPress, action);
  }
  HRESULT STDMETHODCALLTYPE accSelect(long, VARIANT) override { return DISP_E_MEMBERNOTFOUND; }
  HRESULT STDMETHODCALLTYPE accLocation(long* x, long* y, long* width, long* height,
                                        VARIANT child) override {
    if (x == nullptr || y == nullptr || width == nullptr || height == nullptr) return E_POINTER;
    *x = *y = *width = *height = 0;
    if (!connected()) return CO_E_OBJNOTCONNECTED;
    const std::optional<Facts> f = facts_of(child);
    if (!f) return E_INVALIDARG;
    const RECT r = on_screen(*link_, f->area);
    *x = r.left;
    *y = r.top;
    *width = r.right - r.left;
    *height = r.bottom - r.top;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override {
    if (end == nullptr) return E_POINTER;
    set_empty(end);
    if (!connected()) return CO_E_OBJNOTCONNECTED;
    const std::optional<long> from = id_in(start);
    if (!from) return E_INVALIDARG;
    const std::vector<long> ids = children();
    const auto at = std::find(ids.begin(), ids.end(), *from);
    std::optional<long> to;
    if (*from == CHILDID_SELF &&
        (direction == NAVDIR_FIRSTCHILD || direction == NAVDIR_LASTCHILD)) {
      if (!ids.empty()) to = direction == NAVDIR_FIRSTCHILD ? ids.front() : ids.back();
    } else if (*from != CHILDID_SELF && at != ids.end() && direction == NAVDIR_NEXT) {
      if (at + 1 != ids.end()) to = *(at + 1);
    } else if (*from != CHILDID_SELF && at != ids.end() && direction == NAVDIR_PREVIOUS) {
      if (at != ids.begin()) to = *(at - 1);
    } else {
      return DISP_E_MEMBERNOTFOUND;
    }
    if (!to) return S_FALSE;
    put_child(*to, end);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* out) override {
    if (out == nullptr) return E_POINTER;
    set_empty(out);
    if (!connected()) return CO_E_OBJNOTCONNECTED;
    const std::optional<long> id = child_at(in_window(*link_, x, y));
    if (!id) return S_FALSE;
    put_child(*id, out);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
    if (!connected()) return CO_E_OBJNOTCONNECTED;
    const std::optional<Facts> f = facts_of(child);
    if (!f) return E_INVALIDARG;
    if (!f->pressable) return DISP_E_MEMBERNOTFOUND;
    press(*id_in(child));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

  // IEnumVARIANT, over the children as they were at the last Reset.
  HRESULT STDMETHODCALLTYPE Next(ULONG count, VARIANT* out, ULONG* fetched) override;
  HRESULT STDMETHODCALLTYPE Skip(ULONG count) override;
  HRESULT STDMETHODCALLTYPE Reset() override;
  HRESULT STDMETHODCALLTYPE Clone(IEnumVARIANT** out) override;

 protected:
  bool connected() const { return link_->form != nullptr; }
  AccessibleLink& link() const { return *link_; }
  const std::shared_ptr<AccessibleLink>& shared_link() const { return link_; }

 private:
  std::optional<Facts> facts_of(const VARIANT& child) {
    const std::optional<long> id = id_in(child);
    return id ? facts(*id) : std::nullopt;
  }

  HRESULT string(const std::wstring& text, BSTR* out) const {
    *out = link_->msaa->sys_alloc_string(text.c_str());
    return *out != nullptr ? S_OK : E_OUTOFMEMORY;
  }
  HRESULT put(long value, VARIANT* out) const {
    set_long(out, value);
    return S_OK;
  }
  HRESULT put(const std::wstring& text, BSTR* out) const { return string(text, out); }

  // One property of itself or of a child, as the facts give it.
  template <class Out, class Read>
  HRESULT answer(const VARIANT& child, Out* out, Read read) {
    if (out == nullptr) return E_POINTER;
    if constexpr (std::is_same_v<Out, VARIANT>) {
      set_empty(out);
    } else {
      *out = nullptr;
    }
    if (!connected()) return CO_E_OBJNOTCONNECTED;
    const std::optional<Facts> f = facts_of(child);
    if (!f) return E_INVALIDARG;
    return put(read(*f), out);
  }

  static HRESULT not_supported(BSTR* out) {
    if (out != nullptr) *out = nullptr;
    return DISP_E_MEMBERNOTFOUND;
  }

  friend class ChildEnumerator;

  std::shared_ptr<AccessibleLink> link_;
  std::atomic<ULONG> references_ = 1;
  std::vector<long> listed_;  // what Next goes through
  std::size_t next_ = 0;
  bool listed_yet_ = false;
};

namespace {

// The children of an object as a list read in turn, for the enumeration.
HRESULT next_children(AccessibleNode& node, const std::vector<long>& listed, std::size_t& next,
                      ULONG count, VARIANT* out, ULONG* fetched) {
  if (out == nullptr) return E_POINTER;
  ULONG given = 0;
  for (; given < count && next < listed.size(); ++given)
    node.put_child(listed[next++], &out[given]);
  if (fetched != nullptr) *fetched = given;
  return given == count ? S_OK : S_FALSE;
}

HRESULT skip_children(const std::vector<long>& listed, std::size_t& next, ULONG count) {
  const std::size_t left = listed.size() - next;
  next += std::min<std::size_t>(count, left);
  return count <= left ? S_OK : S_FALSE;
}

}  // namespace

// A copy of an enumeration, going on from where the copy was made.
class ChildEnumerator final : public IEnumVARIANT {
 public:
  ChildEnumerator(ComPtr<AccessibleNode> node, std::vector<long> listed, std::size_t next)
      : node_(std::move(node)), listed_(std::move(listed)), next_(next) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    if (iid != __uuidof(IUnknown) && iid != __uuidof(IEnumVARIANT)) {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    *out = static_cast<IEnumVARIANT*>(this);
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }
  HRESULT STDMETHODCALLTYPE Next(ULONG count, VARIANT* out, ULONG* fetched) override {
    if (!node_->connected()) return CO_E_OBJNOTCONNECTED;
    return next_children(*node_.get(), listed_, next_, count, out, fetched);
  }
  HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
    return skip_children(listed_, next_, count);
  }
  HRESULT STDMETHODCALLTYPE Reset() override {
    next_ = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Clone(IEnumVARIANT** out) override {
    if (out == nullptr) return E_POINTER;
    *out = new ChildEnumerator(node_, listed_, next_);
    return S_OK;
  }

 private:
  ~ChildEnumerator() = default;

  ComPtr<AccessibleNode> node_;
  std::vector<long> listed_;
  std::size_t next_;
  std::atomic<ULONG> references_ = 1;
};

HRESULT AccessibleNode::Next(ULONG count, VARIANT* out, ULONG* fetched) {
  if (fetched != nullptr) *fetched = 0;
  if (!connected()) return CO_E_OBJNOTCONNECTED;
  if (!listed_yet_) Reset();
  return next_children(*this, listed_, next_, count, out, fetched);
}

HRESULT AccessibleNode::Skip(ULONG count) {
  if (!listed_yet_) Reset();
  return skip_children(listed_, next_, count);
}

HRESULT AccessibleNode::Reset() {
  listed_ = connected() ? children() : std::vector<long>{};
  listed_yet_ = true;
  next_ = 0;
  return S_OK;
}

HRESULT AccessibleNode::Clone(IEnumVARIANT** out) {
  if (out == nullptr) return E_POINTER;
  if (!listed_yet_) Reset();
  *out = new ChildEnumerator(ComPtr<AccessibleNode>::share(this), listed_, next_);
  return S_OK;
}

namespace {

long common_state(const AccessibleLink& link) {
  return IsWindowEnabled(link.window) ? 0 : STATE_SYSTEM_UNAVAILABLE;
}

Facts facts_of_box(const AccessibleLink& link, Box& box) {
  const Accessible a = accessible_of(box);
  const bool pressable = a.role == Role::push_button;
  return {.role = msaa_role(a.role),
          .name = a.name,
          .state = common_state(link) | (pressable ? 0 : STATE_SYSTEM_READONLY),
          .area = window_rect(box),
          .pressable = pressable};
}

// The score grid: a list of its places, each one line.
class GridNode final : public AccessibleNode {
 public:
  GridNode(std::shared_ptr<AccessibleLink> link, Grid& grid)
      : AccessibleNode(std::move(link)), grid_(grid) {}

  std::vector<long> children() override {
    std::vector<long> rows;
    if (!is_readable(*link().form, grid_)) return rows;
    for (int row = 1; row < grid_.rows(); ++row) rows.push_back(row);
    return rows;
  }
  std::optional<Facts> facts(long id) override {
    if (!is_readable(*link().form, grid_)) return std::nullopt;
    if (id == CHILDID_SELF) return facts_of_box(link(), grid_);
    if (id < 1 || id >= grid_.rows()) return std::nullopt;
    const int row = static_cast<int>(id);
    return Facts{.role = ROLE_SYSTEM_LISTITEM,
                 .name = row_text(grid_, row),
                 .state = common_state(link()) | STATE_SYSTEM_READONLY,
                 .area = row_area(row)};
  }
  std::optional<long> child_at(POINT at) override {
    if (!is_readable(*link().form, grid_) || !contains(window_rect(grid_), at)) return std::nullopt;
    for (int row = 1; row < grid_.rows(); ++row) {
      if (contains(row_area(row), at)) return row;
    }
    return CHILDID_SELF;
  }
  ComPtr<IDispatch> parent() override {
    return ComPtr<IDispatch>::share(static_cast<IAccessible*>(link().client.get()));
  }

 private:
  PixelRect row_area(int row) const {
    const PixelRect grid = window_rect(grid_);
    const PixelRect first = cell_area(grid_, row, 0);
    const PixelRect last = cell_area(grid_, row, grid_.cols() - 1);
    return {grid.x + first.x, grid.y + first.y, last.x + last.width - first.x, first.height};
  }

  Grid& grid_;
};

// The window's client area, named by its caption.
class ClientNode final : public AccessibleNode {
 public:
  using AccessibleNode::AccessibleNode;

  std::vector<long> children() override {
    std::vector<long> ids;
    for (Box* box : readable(*link().form)) ids.push_back(child_id(*link().form, *box));
    return ids;
  }
  std::optional<Facts> facts(long id) override {
    const Form& form = *link().form;
    if (id == CHILDID_SELF) {
      const Accessible a = accessible_of(form);
      long state = common_state(link()) | STATE_SYSTEM_FOCUSABLE;
      if (focused()) state |= STATE_SYSTEM_FOCUSED;
      if (!IsWindowVisible(link().window)) state |= STATE_SYSTEM_INVISIBLE;
      return Facts{.role = msaa_role(a.role),
                   .name = a.name,
                   .state = state,
                   .area = {0, 0, px(form.ScaleWidth), px(form.ScaleHeight)}};
    }
    Box* box = box_of(form, id);
    if (box == nullptr || !is_readable(form, *box)) return std::nullopt;
    return facts_of_box(link(), *box);
  }
  ComPtr<AccessibleNode> object_of(long id) override {
    Box* box = box_of(*link().form, id);
    Grid* grid = nullptr;
    if (box != nullptr) {
      visit(*box, Overloaded{[&](Grid& g) { grid = &g; }, [](auto&) {}});
    }
    // Asked only of a child read now.
    if (grid == nullptr) return {};
    ComPtr<AccessibleNode>& object = link().inner[grid];
    if (!object) object = ComPtr<AccessibleNode>::adopt(new GridNode(shared_link(), *grid));
    return object;
  }
  std::optional<long> child_at(POINT at) override {
    const Form& form = *link().form;
    if (!contains({0, 0, px(form.ScaleWidth), px(form.ScaleHeight)}, at)) return std::nullopt;
    Box* box = box_at(form, at.x, at.y);
    if (box == nullptr || !is_readable(form, *box)) return CHILDID_SELF;
    return child_id(form, *box);
  }
  ComPtr<IDispatch> parent() override {
    ComPtr<IDispatch> window;
    link().msaa->create_std_accessible_object(link().window, OBJID_WINDOW, __uuidof(IDispatch),
                                              reinterpret_cast<void**>(window.put()));
    return window;
  }
  // Posted: the click runs from the window's own loop once the reader's call has returned, and
  // through the dispatcher, as the player's does.
  void press(long id) override { PostMessageW(link().window, link().press, id, 0); }
  bool focused() override { return GetFocus() == link().window; }
};

}  // namespace

AccessibleWindow::AccessibleWindow(Form& form, EventSink& sink) : form_(form), sink_(sink) {}

AccessibleWindow::~AccessibleWindow() {
  if (!link_) return;
  // A reference a reader still holds answers that it is no longer connected; the objects, which
  // hold the link, are let go of.
  link_->form = nullptr;
  link_->inner.clear();
  link_->client = {};
}

std::optional<LRESULT> AccessibleWindow::on_message(HWND window, UINT message, WPARAM wparam,
                                                    LPARAM lparam) {
  if (message == WM_GETOBJECT &&
      static_cast<LONG>(static_cast<DWORD>(lparam)) == static_cast<LONG>(OBJID_CLIENT)) {
    if (!link_) {
      std::shared_ptr<const Msaa> msaa = Msaa::load();
      if (!msaa) return std::nullopt;  // the system's own client object, without children
      apartment_ = std::make_unique<Apartment>(msaa);
      link_ = std::make_shared<AccessibleLink>();
      link_->form = &form_;
      link_->window = window;
      link_->press = RegisterWindowMessageW(L"Klimbor.AccessiblePress");
      link_->msaa = std::move(msaa);
      link_->client = ComPtr<AccessibleNode>::adopt(new ClientNode(link_));
    }
    return link_->msaa->lresult_from_object(__uuidof(IAccessible), wparam,
                                            static_cast<IAccessible*>(link_->client.get()));
  }
  if (link_ && link_->press != 0 && message == link_->press) {
    Box* box = box_of(form_, static_cast<long>(wparam));
    if (box == nullptr || !is_readable(form_, *box) ||
        accessible_of(*box).role != Role::push_button) {
      return 0;
    }
    const std::function<void()>* click = click_of(*box);
    if (click != nullptr && *click) sink_.deliver(form_, *click, EventSink::Source::player);
    return 0;
  }
  return std::nullopt;
}

void AccessibleWindow::sync(HWND window) {
  const std::vector<Box*>& boxes = form_.boxes();
  const std::vector<Box*> now = readable(form_);
  const bool first = told_.empty();
  std::vector<Told> next(boxes.size());
  bool reordered = false;
  for (std::size_t i = 0; i < boxes.size(); ++i) {
    Told& told = next[i];
    told.readable = std::find(now.begin(), now.end(), boxes[i]) != now.end();
    // The state at the first sync is what a reader finds when it first asks: nothing to tell.
    if (!first && told.readable != told_[i].readable) reordered = true;
    if (!told.readable) continue;
    const Accessible a = accessible_of(*boxes[i]);
    told.name = a.name;
    if (!first && a.announced && told_[i].readable && told_[i].name != a.name) {
      NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, window, OBJID_CLIENT, static_cast<LONG>(i + 1));
    }
  }
  if (reordered) NotifyWinEvent(EVENT_OBJECT_REORDER, window, OBJID_CLIENT, CHILDID_SELF);
  told_ = std::move(next);
}

}  // namespace ui::win32
