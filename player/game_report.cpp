#include "player/game_report.h"

#include <stdlib.h>
#include <wchar.h>
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <sstream>
#include <utility>

#include "player/files.h"

namespace varnix_e2e {
namespace {

std::string Hex(const std::string& bytes) {
  static const char hex[] = "0123456789abcdef";
  std::string out;
  for (unsigned char byte : bytes) out += {hex[byte >> 4], hex[byte & 15]};
  return out;
}

bool Unhex(const std::string& hex, std::string* bytes) {
  if (hex.size() % 2 != 0) return false;
  bytes->clear();
  for (const char* at = hex.data(); at != hex.data() + hex.size(); at += 2) {
    unsigned char byte = 0;
    if (std::from_chars(at, at + 2, byte, 16).ptr != at + 2) return false;
    *bytes += static_cast<char>(byte);
  }
  return true;
}

// The fields of a report and their keys, besides the environment's entries,
// one a line, and the title, when there is one.
constexpr std::pair<const char*, std::string GameReport::*> Texts[] = {
    {"command_line", &GameReport::commandLine},
    {"current_directory", &GameReport::currentDirectory},
    {"wide_command_line", &GameReport::wideCommandLine},
    {"wide_current_directory", &GameReport::wideCurrentDirectory},
    {"handle", &GameReport::handle},
    {"hold", &GameReport::hold}};
constexpr std::pair<const char*, unsigned long GameReport::*> Numbers[] = {
    {"startup_flags", &GameReport::startupFlags},
    {"priority_class", &GameReport::priorityClass},
    {"show_window", &GameReport::showWindow},
    {"reserved_bytes", &GameReport::reservedBytes},
    {"std_input", &GameReport::stdInput},
    {"std_output", &GameReport::stdOutput},
    {"kernel_priority_class", &GameReport::kernelPriorityClass},
    {"code_page", &GameReport::codePage}};

// The entry "NAME=value" of `environment` for the variable `name`, or its
// end: the case of a name does not count, as for the system.
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

}  // namespace

void SetVariable(std::vector<std::string>* environment, const std::string& name,
                 const std::string& value) {
  const auto stale = FindVariable(*environment, name);
  if (stale != environment->end()) environment->erase(stale);
  if (!value.empty()) environment->push_back(name + "=" + value);
}

bool GameReport::FindVariable(const std::string& name,
                              std::string* value) const {
  const auto entry = varnix_e2e::FindVariable(environment, name);
  if (entry == environment.end()) return false;
  *value = entry->substr(name.size() + 1);
  return true;
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
  const auto line = [&out](const std::string& key, const std::string& value) {
    out += key + "=" + Hex(value) + "\n";
  };
  for (const auto& [key, field] : Texts) line(key, report.*field);
  for (const std::string& entry : report.environment) {
    line("environment", entry);
  }
  if (report.hasTitle) line("title", report.title);
  for (const auto& [key, field] : Numbers) {
    line(key, std::to_string(report.*field));
  }
  // Written last: a report that lacks it was cut short.
  line("end", "");
  return out;
}

bool ParseReport(const std::string& text, GameReport* report) {
  *report = GameReport();
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    const size_t equals = line.find('=');
    std::string value;
    if (equals == std::string::npos ||
        !Unhex(line.substr(equals + 1), &value)) {
      return false;
    }
    const std::string key = line.substr(0, equals);
    if (key == "end") return true;
    for (const auto& [name, field] : Texts) {
      if (key == name) report->*field = value;
    }
    for (const auto& [name, field] : Numbers) {
      if (key == name) report->*field = strtoul(value.c_str(), nullptr, 10);
    }
    if (key == "environment") report->environment.push_back(value);
    if (key == "title") {
      report->hasTitle = true;
      report->title = value;
    }
  }
  return false;
}

}  // namespace varnix_e2e
