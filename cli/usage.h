// How the command-line programs meet a mistake in their call, the way users of Unix tools
// expect: "<program>: <message>" and a pointer to the help on standard error, exit status 2.
#pragma once

#include <CLI/CLI.hpp>
#include <algorithm>
#include <iostream>
#include <memory>
#include <optional>
#include <string>

namespace varkesh::cli {

inline constexpr int kUsageStatus = 2;

inline int ReportUsageError(const std::string& program, const std::string& message) {
  std::cerr << program << ": " << message << "\nTry '" << program << " --help'.\n";
  return kUsageStatus;
}

// Parses the arguments (after the program's own name). Returns the exit status when the
// program should stop here: 0 after --help or --version, kUsageStatus after a mistake.
inline std::optional<int> ParseArguments(CLI::App& app, int argc, const char* const* argv) {
  try {
    app.parse(argc, argv);
    return std::nullopt;
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() == 0)
      return app.exit(e);  // help and version, on standard output
    // A word where the subcommand belongs that names none: say that, not that one is missing.
    if (argc > 1 && argv[1][0] != '-' && app.get_subcommands().empty()) {
      const std::string word = argv[1];
      const auto named =
          app.get_subcommands([&](const CLI::App* sub) { return sub->check_name(word); });
      if (named.empty() && !app.get_subcommands([](const CLI::App*) { return true; }).empty())
        return ReportUsageError(app.get_name(), "Unknown command: " + word);
    }
    return ReportUsageError(app.get_name(), e.what());
  }
}

// The help's layout: option names and their value in a column, descriptions wrapped beside
// them to fit 80 columns; how options combine is left to the descriptions.
class TidyHelpFormatter : public CLI::Formatter {
 public:
  static constexpr size_t kColumn = 30;
  static constexpr size_t kWidth = 78;

  TidyHelpFormatter() { column_width(kColumn); }

  std::string make_option_opts(const CLI::Option* opt) const override {
    std::string out;
    if (opt->get_type_size() == 0)
      return out;
    if (!opt->get_type_name().empty())
      out += " " + opt->get_type_name();
    if (!opt->get_default_str().empty())
      out += "=" + opt->get_default_str();
    if (opt->get_expected_max() == CLI::detail::expected_max_vector_size)
      out += " ...";
    return out;
  }

  std::string make_option_desc(const CLI::Option* opt) const override {
    return Wrap(opt->get_description());
  }

  std::string make_subcommand(const CLI::App* sub) const override {
    std::string out = "  " + sub->get_display_name();
    out.resize(std::max(out.size() + 1, kColumn), ' ');
    if (out.size() > kColumn)
      out += "\n" + std::string(kColumn, ' ');
    const std::string description = Wrap(sub->get_description());
    for (const char c : description) {
      out += c;
      if (c == '\n')
        out += std::string(kColumn, ' ');
    }
    return out + "\n";
  }

 private:
  // Breaks between words so that no line passes the width.
  static std::string Wrap(const std::string& text) {
    std::string out;
    size_t line = 0;
    size_t start = 0;
    while (start < text.size()) {
      size_t end = text.find(' ', start);
      if (end == std::string::npos)
        end = text.size();
      const size_t word = end - start;
      if (line != 0 && line + 1 + word > kWidth - kColumn) {
        out += '\n';
        line = 0;
      } else if (line != 0) {
        out += ' ';
        ++line;
      }
      out.append(text, start, word);
      line += word;
      start = end + 1;
    }
    return out;
  }
};

inline void TidyHelp(CLI::App& app) { app.formatter(std::make_shared<TidyHelpFormatter>()); }

}  // namespace varkesh::cli
