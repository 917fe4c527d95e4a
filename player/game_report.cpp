#include "player/game_report.h"

#include <stdio.h>
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
  std::string out;
  for (unsigned char byte : bytes) {
    char pair[3];
    snprintf(pair, sizeof pair, "%02x", byte);
    out += pair;
  }
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

// The fields of a report and their keys: the texts in hexadecimal, the
// numbers in decimal and the words as they are.
using Text = std::string GameReport::*;
constexpr std::pair<const char*, Text> HexTexts[] = {
    {"command_line", &GameReport::commandLine},
    {"current_directory", &GameReport::currentDirectory},
    {"wide_command_line", &GameReport::wideCommandLine},
    {"wide_current_directory", &GameReport::wideCurrentDirectory}};
constexpr std::pair<const char*, Text> Words[] = {
    {"handle", &GameReport::handle}, {"hold", &GameReport::hold}};
constexpr std::pair<const char*, unsigned long GameReport::*> Numbers[] = {
    {"startup_flags", &GameReport::startupFlags},
    {"priority_class", &GameReport::priorityClass},
    {"show_window", &GameReport::showWindow},
    {"kernel_priority_class", &GameReport::kernelPriorityClass},
    {"code_page", &GameReport::codePage}};

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
    out += key + "=" + value + "\n";
  };
  for (const auto& [key, field] : HexTexts) line(key, Hex(report.*field));
  for (const std::string& entry : report.environment) {
    line("environment", Hex(entry));
  }
  if (report.hasTitle) line("title", Hex(report.title));
  for (const auto& [key, field] : Numbers) {
    line(key, std::to_string(report.*field));
  }
  for (const auto& [key, field] : Words) line(key, report.*field);
  // Written last: a report that lacks it was cut short.
  line("end", "1");
  return out;
}

bool ParseReport(const std::string& text, GameReport* report) {
  *report = GameReport();
  bool complete = false;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    const size_t equals = line.find('=');
    if (equals == std::string::npos) return false;
    const std::string key = line.substr(0, equals);
    const std::string value = line.substr(equals + 1);
    const unsigned long number = strtoul(value.c_str(), nullptr, 10);
    for (const auto& [name, field] : Words) {
      if (key == name) report->*field = value;
    }
    for (const auto& [name, field] : Numbers) {
      if (key == name) report->*field = number;
    }
    std::string bytes;
    const bool hex = Unhex(value, &bytes);
    for (const auto& [name, field] : HexTexts) {
      if (key == name && !hex) return false;
      if (key == name) report->*field = bytes;
    }
    if ((key == "environment" || key == "title") && !hex) return false;
    if (key == "environment") report->environment.push_back(bytes);
    if (key == "title") report->hasTitle = true;
    if (key == "title") report->title = bytes;
    if (key == "end") complete = true;
  }
  return complete;
}

}  // namespace varnix_e2e
