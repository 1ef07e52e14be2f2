// Another program on Windows, for the writer's test under wine: a reader of a named pipe, and a
// program that holds a file open without sharing.
//
//   writer_helper serve PIPE OUT   makes the pipe, takes one writer, copies what it sends to OUT
//   writer_helper hold FILE        opens FILE without sharing, says "held", holds it until its
//                                  standard input ends

#include <windows.h>

#include <cstdio>
#include <cwchar>

namespace {

int serve(const wchar_t* name, const wchar_t* out) {
  const HANDLE pipe = CreateNamedPipeW(name, PIPE_ACCESS_INBOUND, PIPE_TYPE_BYTE | PIPE_WAIT, 1,
                                       65536, 65536, 0, nullptr);
  if (pipe == INVALID_HANDLE_VALUE) return 2;
  std::puts("serving");
  std::fflush(stdout);
  if (ConnectNamedPipe(pipe, nullptr) == 0 && GetLastError() != ERROR_PIPE_CONNECTED) return 3;
  const HANDLE file =
      CreateFileW(out, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  char buffer[65536];
  DWORD got = 0, written = 0;
  while (ReadFile(pipe, buffer, sizeof buffer, &got, nullptr) != 0 && got > 0) {
    WriteFile(file, buffer, got, &written, nullptr);
  }
  CloseHandle(file);
  CloseHandle(pipe);
  return 0;
}

int hold(const wchar_t* name) {
  const HANDLE file = CreateFileW(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 2;
  std::puts("held");
  std::fflush(stdout);
  while (std::getchar() != EOF) {
  }
  CloseHandle(file);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc == 4 && std::wcscmp(argv[1], L"serve") == 0) return serve(argv[2], argv[3]);
  if (argc == 3 && std::wcscmp(argv[1], L"hold") == 0) return hold(argv[2]);
  return 1;
}
