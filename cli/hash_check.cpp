#include "cli/hash_check.h"

#include <filesystem>
#include <iostream>
#include <optional>
#include <vector>

#include "cli/commands.h"
#include "cli/hash_files.h"
#include "cli/process.h"
#include "platform/files.h"

namespace varkesh::cli {

namespace {

struct SumEntry {
  std::string hex;  // uppercase
  std::string name;
};

bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// "\\" and "\n" back to a backslash and a newline; nullopt for any other escape.
std::optional<std::string> Unescape(const std::string& name) {
  std::string out;
  for (size_t i = 0; i < name.size(); ++i) {
    if (name[i] != '\\') {
      out += name[i];
      continue;
    }
    if (++i == name.size())
      return std::nullopt;
    if (name[i] == '\\') {
      out += '\\';
    } else if (name[i] == 'n') {
      out += '\n';
    } else {
      return std::nullopt;
    }
  }
  return out;
}

std::string Escape(const std::string& name) {
  std::string out;
  for (const char c : name) {
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '\n') {
      out += "\\n";
    } else {
      out += c;
    }
  }
  return out;
}

// One line of a sum file (without its line end); nullopt when it is not a sum line of a hash
// with `digits` hexadecimal digits.
std::optional<SumEntry> ParseLine(const std::string& line, size_t digits) {
  size_t i = line.find_first_not_of(" \t");
  if (i == std::string::npos)
    return std::nullopt;
  const bool escaped = line[i] == '\\';
  if (escaped)
    ++i;
  if (line.size() - i < digits + 2)
    return std::nullopt;
  SumEntry entry;
  for (size_t k = 0; k < digits; ++k) {
    if (!IsHexDigit(line[i + k]))
      return std::nullopt;
    entry.hex += Upper(line[i + k]);
  }
  i += digits;
  if (line[i] != ' ' && line[i] != '\t')
    return std::nullopt;
  ++i;
  if (i < line.size() && (line[i] == ' ' || line[i] == '*'))
    ++i;  // text or binary: the same bytes on every system we run on
  if (i == line.size())
    return std::nullopt;
  entry.name = line.substr(i);
  if (escaped) {
    std::optional<std::string> name = Unescape(entry.name);
    if (!name)
      return std::nullopt;
    entry.name = std::move(*name);
  }
  return entry;
}

bool DoesNotExist(const std::string& name) {
  if (name == "-")
    return false;
  std::error_code error;
  const std::u8string utf8(name.begin(), name.end());
  return !std::filesystem::exists(std::filesystem::path(utf8), error) && !error;
}

std::string Count(size_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

}  // namespace

std::string SumLine(const std::string& sum, const std::string& name) {
  if (name.find_first_of("\\\n") == std::string::npos)
    return sum + "  " + name;
  return "\\" + sum + "  " + Escape(name);
}

int CheckSums(const HashClass& hash, const CheckOptions& options) {
  std::string sums;
  {
    platform::InputFile in =
        options.sums == "-" ? platform::InputFile::StandardInput()
                            : platform::InputFile::Open(options.sums, platform::Sharing::kReaders);
    sums = ReadAll(in).value();
  }
  const size_t digits = static_cast<size_t>(hash.hash_size) / 4;
  std::vector<SumEntry> entries;
  size_t malformed = 0;
  for (size_t start = 0; start < sums.size();) {
    size_t end = sums.find('\n', start);
    if (end == std::string::npos)
      end = sums.size();
    std::string line = sums.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r')
      line.pop_back();
    if (line.empty() || line[0] == '#')
      continue;
    std::optional<SumEntry> entry = ParseLine(line, digits);
    if (entry) {
      entries.push_back(std::move(*entry));
    } else {
      ++malformed;
    }
  }
  if (entries.empty()) {
    ReportError(options.sums + ": no properly formatted checksum lines found");
    return 1;
  }

  std::vector<std::string> names;
  std::vector<const SumEntry*> checked;
  for (const SumEntry& entry : entries) {
    if (options.ignore_missing && DoesNotExist(entry.name))
      continue;
    names.push_back(entry.name);
    checked.push_back(&entry);
  }
  size_t unreadable = 0, mismatched = 0;
  const auto report_line = [&](const std::string& name, const char* verdict) {
    if (options.status)
      return;
    if (name.find('\n') != std::string::npos) {
      std::cout << "\\" << Escape(name);
    } else {
      std::cout << name;
    }
    std::cout << ": " << verdict << "\n";
  };
  HashFiles(hash, names, options.jobs, [&](const FileSum& file) {
    const SumEntry& entry = *checked[static_cast<size_t>(file.name - names.data())];
    if (!file.error.empty()) {
      ++unreadable;
      std::cout.flush();
      ReportError(file.error);
      report_line(entry.name, "FAILED open or read");
    } else if (file.sum != entry.hex) {
      ++mismatched;
      report_line(entry.name, "FAILED");
    } else if (!options.quiet) {
      report_line(entry.name, "OK");
    }
    return !StandardOutputFailed();
  });
  std::cout.flush();
  if (!options.status) {
    if (malformed != 0)
      ReportError("WARNING: " + Count(malformed, "line is", "lines are") + " improperly formatted");
    if (unreadable != 0) {
      ReportError("WARNING: " + Count(unreadable, "listed file", "listed files") +
                  " could not be read");
    }
    if (mismatched != 0) {
      ReportError("WARNING: " + Count(mismatched, "computed checksum", "computed checksums") +
                  " did NOT match");
    }
  }
  if (names.empty()) {
    ReportError(options.sums + ": no file was verified");
    return 1;
  }
  const bool failed = unreadable != 0 || mismatched != 0 || (options.strict && malformed != 0);
  return failed ? 1 : 0;
}

}  // namespace varkesh::cli
