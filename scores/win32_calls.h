#pragma once

#include <windows.h>

namespace scores {

// The Win32 calls the Windows file system makes, one virtual each, so that a failure can be
// injected at any step of a rewrite. A failing call leaves its code for GetLastError.
class Win32Calls {
 public:
  virtual ~Win32Calls() = default;
  virtual HANDLE create_file(const wchar_t* path, DWORD access, DWORD sharing, DWORD disposition,
                             DWORD attributes);
  virtual DWORD get_file_attributes(const wchar_t* path);
  virtual DWORD get_file_type(HANDLE file);
  virtual BOOL get_file_size(HANDLE file, LARGE_INTEGER* size);
  virtual BOOL read_file(HANDLE file, void* buffer, DWORD count, DWORD* done);
  virtual BOOL write_file(HANDLE file, const void* buffer, DWORD count, DWORD* done);
  virtual BOOL flush_file_buffers(HANDLE file);
  virtual BOOL move_file(const wchar_t* from, const wchar_t* to, DWORD flags);
  virtual BOOL delete_file(const wchar_t* path);
  virtual HANDLE find_first_file(const wchar_t* pattern, WIN32_FIND_DATAW* found);
  virtual BOOL find_next_file(HANDLE search, WIN32_FIND_DATAW* found);
  virtual BOOL find_close(HANDLE search);
  virtual BOOL lock_file(HANDLE file, DWORD flags, OVERLAPPED* region);
  virtual BOOL unlock_file(HANDLE file, OVERLAPPED* region);
  virtual BOOL close_handle(HANDLE handle);
  virtual void sleep(DWORD milliseconds);
  // DeviceIoControl without input, synchronous: FSCTL_GET_REPARSE_POINT reads where a link leads.
  virtual BOOL device_io_control(HANDLE file, DWORD code, void* output, DWORD size, DWORD* done);
  // OpenProcess, null when refused; GetExitCodeProcess.
  virtual HANDLE open_process(DWORD access, DWORD process);
  virtual BOOL get_exit_code_process(HANDLE process, DWORD* code);
};

}  // namespace scores
