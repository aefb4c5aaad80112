// Stand-in for the programs the menu starts (setup, uninstaller, detection, game, network
// launcher). Tests copy it under each name. Every start appends one line to the file named
// by KORV_RECORDER_LOG:
//   name TAB command line TAB current directory TAB module path TAB show-command CR LF
// with '%', TAB, CR and LF inside a field written as %25, %09, %0D and %0A, so that any
// command line reads back unchanged.
// Started as mprofile.exe with KORV_RECORDER_MDRIVERS naming a file, it first copies that
// file to the path given as its argument, as the detection program leaves its result.
// It is a GUI program that never waits for input, so the menu's WinExec returns once it
// has ended, with its file and its log line complete.
#include <windows.h>

#include <cstring>

namespace {

constexpr DWORD text_capacity = 32768;

struct text_buffer {
  char data[text_capacity * 3 + 16];
  DWORD length;
};

text_buffer g_record;

// Room kept free for the separators and the line end, so a record is always one line.
constexpr DWORD separator_reserve = 8;

// Appends text with the field separators escaped; cuts it short before the reserve.
void append_field(text_buffer* buffer, const char* text) {
  for (const char* c = text; *c != '\0'; ++c) {
    if (buffer->length + 3 + separator_reserve > sizeof buffer->data) return;
    const char* escaped = nullptr;
    switch (*c) {
      case '%':
        escaped = "%25";
        break;
      case '\t':
        escaped = "%09";
        break;
      case '\r':
        escaped = "%0D";
        break;
      case '\n':
        escaped = "%0A";
        break;
      default:
        break;
    }
    if (escaped != nullptr) {
      std::memcpy(buffer->data + buffer->length, escaped, 3);
      buffer->length += 3;
    } else {
      buffer->data[buffer->length++] = *c;
    }
  }
}

void append_raw(text_buffer* buffer, const char* text) {
  DWORD size = static_cast<DWORD>(std::strlen(text));
  if (buffer->length + size >= sizeof buffer->data) return;
  std::memcpy(buffer->data + buffer->length, text, size);
  buffer->length += size;
}

const char* base_name(const char* path) {
  const char* name = path;
  for (const char* c = path; *c != '\0'; ++c) {
    if (*c == '\\' || *c == '/' || *c == ':') name = c + 1;
  }
  return name;
}

// The first argument: the rest of the command line after the program's own name, without
// surrounding quotes or blanks. Writes at most capacity - 1 characters.
void first_argument(const char* command_line, char* out, size_t capacity) {
  const char* c = command_line;
  if (*c == '"') {
    ++c;
    while (*c != '\0' && *c != '"') ++c;
    if (*c == '"') ++c;
  } else {
    while (*c != '\0' && *c != ' ' && *c != '\t') ++c;
  }
  while (*c == ' ' || *c == '\t') ++c;
  const char* end;
  if (*c == '"') {
    ++c;
    end = c;
    while (*end != '\0' && *end != '"') ++end;
  } else {
    end = c + std::strlen(c);
    while (end > c && (end[-1] == ' ' || end[-1] == '\t')) --end;
  }
  size_t length = static_cast<size_t>(end - c);
  if (length >= capacity) length = capacity - 1;
  std::memcpy(out, c, length);
  out[length] = '\0';
}

// Appends the record in one write; retries briefly while another stand-in holds the log.
void append_to_log(const char* log_path, const text_buffer* record) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    HANDLE log = CreateFileA(log_path, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (log == INVALID_HANDLE_VALUE) {
      if (GetLastError() != ERROR_SHARING_VIOLATION) return;
      Sleep(20);
      continue;
    }
    DWORD written = 0;
    WriteFile(log, record->data, record->length, &written, nullptr);
    CloseHandle(log);
    return;
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  static char module_path[MAX_PATH + 1];
  static char current_dir[MAX_PATH + 1];
  static char log_path[MAX_PATH + 1];
  static char mdrivers_source[MAX_PATH + 1];
  static char target[text_capacity];

  DWORD module_length = GetModuleFileNameA(nullptr, module_path, MAX_PATH);
  module_path[module_length < MAX_PATH ? module_length : MAX_PATH] = '\0';
  DWORD dir_length = GetCurrentDirectoryA(sizeof current_dir, current_dir);
  if (dir_length == 0 || dir_length >= sizeof current_dir) current_dir[0] = '\0';
  const char* command_line = GetCommandLineA();
  const char* name = base_name(module_path);

  DWORD source_length =
      GetEnvironmentVariableA("KORV_RECORDER_MDRIVERS", mdrivers_source, sizeof mdrivers_source);
  if (lstrcmpiA(name, "mprofile.exe") == 0 && source_length > 0 && source_length < sizeof mdrivers_source) {
    first_argument(command_line, target, sizeof target);
    if (target[0] != '\0') CopyFileA(mdrivers_source, target, FALSE);
  }

  DWORD log_length = GetEnvironmentVariableA("KORV_RECORDER_LOG", log_path, sizeof log_path);
  if (log_length > 0 && log_length < sizeof log_path) {
    g_record.length = 0;
    append_field(&g_record, name);
    append_raw(&g_record, "\t");
    append_field(&g_record, command_line);
    append_raw(&g_record, "\t");
    append_field(&g_record, current_dir);
    append_raw(&g_record, "\t");
    append_field(&g_record, module_path);
    // How its starter asked for its window to be shown (the number, or "-" when it did not).
    STARTUPINFOA startup;
    GetStartupInfoA(&startup);
    char show[8] = "-";
    if (startup.dwFlags & STARTF_USESHOWWINDOW) wsprintfA(show, "%u", unsigned(startup.wShowWindow));
    append_raw(&g_record, "\t");
    append_raw(&g_record, show);
    append_raw(&g_record, "\r\n");
    append_to_log(log_path, &g_record);
  }
  return 0;
}
