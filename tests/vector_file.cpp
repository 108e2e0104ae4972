#include "tests/vector_file.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "tests/vector_pattern.h"
#include "varkesh/hex.h"

namespace varkesh::test {

namespace {

std::string Trim(std::string_view s) {
  const auto first = s.find_first_not_of(" \t\r");
  if (first == std::string_view::npos)
    return {};
  const auto last = s.find_last_not_of(" \t\r");
  return std::string(s.substr(first, last - first + 1));
}

std::string Unquote(std::string_view quoted) {
  std::string out;
  for (size_t i = 1; i + 1 < quoted.size(); ++i) {
    char c = quoted[i];
    if (c == '\\' && i + 2 < quoted.size()) {
      c = quoted[++i];
      if (c == 'n')
        c = '\n';
    }
    out += c;
  }
  return out;
}

bool Contains(const std::vector<std::string>& keys, std::string_view key) {
  return std::find(keys.begin(), keys.end(), key) != keys.end();
}

}  // namespace

std::vector<uint8_t> VectorRecord::Bytes(std::string_view key) const {
  const std::string& raw = values.find(key)->second;
  if (raw.size() >= 2 && raw.front() == '"' && raw.back() == '"') {
    const std::string text = Unquote(raw);
    return {text.begin(), text.end()};
  }
  unsigned long long size = 0, seed = 0;
  if (std::sscanf(raw.c_str(), "pattern(%llu, %llu)", &size, &seed) == 2)
    return PatternBytes(size, static_cast<uint32_t>(seed));
  return FromHex(raw);
}

std::optional<std::vector<uint8_t>> VectorRecord::Sha256(std::string_view key) const {
  const std::string& raw = values.find(key)->second;
  constexpr std::string_view kPrefix = "sha256(";
  if (!raw.starts_with(kPrefix) || !raw.ends_with(')'))
    return std::nullopt;
  return FromHex(std::string_view(raw).substr(kPrefix.size(), raw.size() - kPrefix.size() - 1));
}

std::string VectorRecord::Text(std::string_view key) const {
  const std::vector<uint8_t> bytes = Bytes(key);
  return {bytes.begin(), bytes.end()};
}

uint64_t VectorRecord::Number(std::string_view key) const {
  return std::stoull(values.find(key)->second);
}

std::string VectorRecord::Name() const {
  std::string name;
  for (const char c : section) {
    name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  }
  return name + "_" + std::to_string(line);
}

std::ostream& operator<<(std::ostream& os, const VectorRecord& record) {
  os << record.file << ":" << record.line << " [" << record.section << "]";
  for (const auto& [key, value] : record.values) os << " " << key << "=" << value;
  return os;
}

std::string VectorDir() { return VARKESH_VECTOR_DIR; }

std::vector<VectorRecord> LoadVectors(std::string_view folder,
                                      const std::vector<std::string>& required,
                                      const std::vector<std::string>& optional) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::path(VectorDir()) / folder;
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(dir)) {
    if (entry.path().extension() == ".vec")
      files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());

  std::vector<VectorRecord> records;
  for (const fs::path& path : files) {
    std::ifstream in(path);
    VectorRecord current;
    current.file = (fs::path(folder) / path.filename()).string();
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
      const std::string text = Trim(line);
      const auto where = [&] { return current.file + ":" + std::to_string(number) + ": "; };
      if (text.empty() || text[0] == '#')
        continue;
      if (text.front() == '[' && text.back() == ']') {
        current.section = text.substr(1, text.size() - 2);
        current.values.clear();
        continue;
      }
      const auto eq = text.find('=');
      if (eq == std::string::npos)
        throw std::runtime_error(where() + "expected Key = value");
      const std::string key = Trim(std::string_view(text).substr(0, eq));
      const std::string value = Trim(std::string_view(text).substr(eq + 1));
      if (!Contains(required, key) && !Contains(optional, key)) {
        throw std::runtime_error(where() + "unknown key " + key);
      }
      current.values[key] = value;
      if (key != required.back())
        continue;
      for (const std::string& need : required) {
        if (!current.Has(need))
          throw std::runtime_error(where() + "record lacks " + need);
      }
      current.line = number;
      records.push_back(current);
      for (const std::string& opt : optional) current.values.erase(opt);
    }
  }
  return records;
}

}  // namespace varkesh::test
