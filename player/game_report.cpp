#include "player/game_report.h"

#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>
#include <windows.h>

#include <algorithm>
#include <cctype>

#include "player/files.h"

namespace varnix_e2e {
namespace {

std::string Hex(const std::string& bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  for (unsigned char byte : bytes) {
    out += digits[byte >> 4];
    out += digits[byte & 15];
  }
  return out;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool Unhex(const std::string& hex, std::string* bytes) {
  if (hex.size() % 2 != 0) return false;
  bytes->clear();
  for (size_t i = 0; i < hex.size(); i += 2) {
    const int high = HexDigit(hex[i]);
    const int low = HexDigit(hex[i + 1]);
    if (high < 0 || low < 0) return false;
    *bytes += static_cast<char>(high * 16 + low);
  }
  return true;
}

void Line(std::string& out, const char* key, const std::string& value) {
  out += key;
  out += '=';
  out += value;
  out += '\n';
}

std::string Number(unsigned long value) {
  char text[16];
  snprintf(text, sizeof text, "%lu", value);
  return text;
}

}  // namespace

std::vector<std::string>::const_iterator FindVariable(
    const std::vector<std::string>& environment, const std::string& name) {
  const auto same = [](unsigned char a, unsigned char b) {
    return tolower(a) == tolower(b);
  };
  return std::find_if(
      environment.begin(), environment.end(), [&](const std::string& entry) {
        return entry.size() > name.size() && entry[name.size()] == '=' &&
               std::equal(name.begin(), name.end(), entry.begin(), same);
      });
}

bool GameReport::FindVariable(const std::string& name,
                              std::string* value) const {
  const auto entry = varnix_e2e::FindVariable(environment, name);
  if (entry == environment.end()) return false;
  *value = entry->substr(name.size() + 1);
  return true;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  for (size_t start = 0; start < text.size();) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

std::vector<std::string> CurrentEnvironment() {
  wchar_t* block = GetEnvironmentStringsW();
  std::vector<std::string> entries;
  for (const wchar_t* entry = block; entry && *entry;
       entry += wcslen(entry) + 1) {
    entries.push_back(WideToUtf8(entry));
  }
  if (block) FreeEnvironmentStringsW(block);
  return entries;
}

std::string FormatReport(const GameReport& report) {
  std::string out;
  Line(out, "command_line", Hex(report.commandLine));
  Line(out, "current_directory", Hex(report.currentDirectory));
  Line(out, "wide_command_line", Hex(report.wideCommandLine));
  Line(out, "wide_current_directory", Hex(report.wideCurrentDirectory));
  for (const std::string& entry : report.environment) {
    Line(out, "environment", Hex(entry));
  }
  Line(out, "startup_flags", Number(report.startupFlags));
  Line(out, "show_window", Number(report.showWindow));
  if (report.hasTitle) Line(out, "title", Hex(report.title));
  Line(out, "priority_class", Number(report.priorityClass));
  Line(out, "kernel_priority_class", Number(report.kernelPriorityClass));
  Line(out, "handle", report.handle);
  Line(out, "hold", report.hold);
  Line(out, "code_page", Number(report.codePage));
  // Written last: a report that lacks it was cut short.
  Line(out, "end", "1");
  return out;
}

bool ParseReport(const std::string& text, GameReport* report) {
  *report = GameReport();
  bool complete = false;
  for (const std::string& line : Lines(text)) {
    const size_t equals = line.find('=');
    if (equals == std::string::npos) return false;
    const std::string key = line.substr(0, equals);
    const std::string value = line.substr(equals + 1);
    const unsigned long number = strtoul(value.c_str(), nullptr, 10);
    bool ok = true;
    if (key == "command_line") {
      ok = Unhex(value, &report->commandLine);
    } else if (key == "current_directory") {
      ok = Unhex(value, &report->currentDirectory);
    } else if (key == "wide_command_line") {
      ok = Unhex(value, &report->wideCommandLine);
    } else if (key == "wide_current_directory") {
      ok = Unhex(value, &report->wideCurrentDirectory);
    } else if (key == "environment") {
      std::string entry;
      ok = Unhex(value, &entry);
      report->environment.push_back(entry);
    } else if (key == "startup_flags") {
      report->startupFlags = number;
    } else if (key == "show_window") {
      report->showWindow = static_cast<unsigned>(number);
    } else if (key == "title") {
      report->hasTitle = true;
      ok = Unhex(value, &report->title);
    } else if (key == "priority_class") {
      report->priorityClass = number;
    } else if (key == "kernel_priority_class") {
      report->kernelPriorityClass = static_cast<unsigned>(number);
    } else if (key == "handle") {
      report->handle = value;
    } else if (key == "hold") {
      report->hold = value;
    } else if (key == "code_page") {
      report->codePage = static_cast<unsigned>(number);
    } else if (key == "end") {
      complete = true;
    }
    if (!ok) return false;
  }
  return complete;
}

}  // namespace varnix_e2e
