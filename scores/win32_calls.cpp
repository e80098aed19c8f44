#include "scores/win32_calls.h"

namespace scores {

namespace {

constexpr DWORD kWhole = MAXDWORD;  // a lock on every byte the file can have

}  // namespace

HANDLE Win32Calls::create_file(const wchar_t* path, DWORD access, DWORD sharing, DWORD disposition,
                               DWORD attributes) {
  return ::CreateFileW(path, access, sharing, nullptr, disposition, attributes, nullptr);
}
DWORD Win32Calls::get_file_attributes(const wchar_t* path) {
  return ::GetFileAttributesW(path);
}
DWORD Win32Calls::get_file_type(HANDLE file) {
  return ::GetFileType(file);
}
BOOL Win32Calls::get_file_size(HANDLE file, LARGE_INTEGER* size) {
  return ::GetFileSizeEx(file, size);
}
BOOL Win32Calls::read_file(HANDLE file, void* buffer, DWORD count, DWORD* done) {
  return ::ReadFile(file, buffer, count, done, nullptr);
}
BOOL Win32Calls::write_file(HANDLE file, const void* buffer, DWORD count, DWORD* done) {
  return ::WriteFile(file, buffer, count, done, nullptr);
}
BOOL Win32Calls::flush_file_buffers(HANDLE file) {
  return ::FlushFileBuffers(file);
}
BOOL Win32Calls::move_file(const wchar_t* from, const wchar_t* to, DWORD flags) {
  return ::MoveFileExW(from, to, flags);
}
BOOL Win32Calls::delete_file(const wchar_t* path) {
  return ::DeleteFileW(path);
}
HANDLE Win32Calls::find_first_file(const wchar_t* pattern, WIN32_FIND_DATAW* found) {
  return ::FindFirstFileW(pattern, found);
}
BOOL Win32Calls::find_next_file(HANDLE search, WIN32_FIND_DATAW* found) {
  return ::FindNextFileW(search, found);
}
BOOL Win32Calls::find_close(HANDLE search) {
  return ::FindClose(search);
}
BOOL Win32Calls::lock_file(HANDLE file, DWORD flags, OVERLAPPED* region) {
  return ::LockFileEx(file, flags, 0, kWhole, kWhole, region);
}
BOOL Win32Calls::unlock_file(HANDLE file, OVERLAPPED* region) {
  return ::UnlockFileEx(file, 0, kWhole, kWhole, region);
}
BOOL Win32Calls::close_handle(HANDLE handle) {
  return ::CloseHandle(handle);
}
void Win32Calls::sleep(DWORD milliseconds) {
  ::Sleep(milliseconds);
}
BOOL Win32Calls::device_io_control(HANDLE file, DWORD code, void* output, DWORD size, DWORD* done) {
  return ::DeviceIoControl(file, code, nullptr, 0, output, size, done, nullptr);
}
HANDLE Win32Calls::open_process(DWORD access, DWORD process) {
  return ::OpenProcess(access, FALSE, process);
}
BOOL Win32Calls::get_exit_code_process(HANDLE process, DWORD* code) {
  return ::GetExitCodeProcess(process, code);
}

}  // namespace scores
