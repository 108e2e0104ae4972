// varkesh-host: loads the plug-in as the host application would and shows what it does.
//
//   varkesh-host info                 identification texts and the registered catalogue
//   varkesh-host exec N P0 P1 ...     runs action N; prints the result, every variable set and
//                                     the error message if the call failed
//
// Parameters are given in UTF-8 and reach the plug-in as host text (code page 1251); what the
// plug-in hands back is shown in UTF-8.
//   varkesh-host edit N P0 P1 ...     opens action N's properties dialog with those parameters,
//                                     carries out --steps in it and prints the slots afterwards
//   varkesh-host about                opens the About box (with --steps, as for edit)
#include <CLI/CLI.hpp>
#include <filesystem>
#include <fstream>
#include <iostream>

#include "cli/usage.h"
#include "host/host.h"
#include "hostlink/host_text.h"
#include "platform/arguments.h"

#ifdef _WIN32
#  include "platform/win32.h"
#endif

namespace {

using varkesh::host::Host;
using varkesh::host::Printable;

// The plug-in beside this program.
std::string DefaultPluginPath() {
#ifdef _WIN32
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  return (std::filesystem::path(self).parent_path() / "varkesh.nbp").string();
#else
  std::error_code ec;
  const auto self = std::filesystem::canonical("/proc/self/exe", ec);
  return ec ? "varkesh.so" : (self.parent_path() / "varkesh.so").string();
#endif
}

int Info(Host& host) {
  const auto identity = host.Identify();
  std::cout << "name:        " << Printable(identity[0]) << "\n"
            << "author:      " << Printable(identity[1]) << "\n"
            << "description: " << Printable(identity[2]) << "\n\n";
  host.Register();
  std::cout << "registered:\n";
  for (const auto& r : host.registrations()) {
    std::cout << "  id " << r.id << "  " << Printable(r.name);
    if (!r.hint.empty())
      std::cout << "  \"" << Printable(r.hint) << "\"";
    std::cout << "  kinds {";
    for (size_t i = 0; i < r.kinds.size(); ++i) std::cout << (i ? ", " : "") << int{r.kinds[i]};
    std::cout << "}  last index " << r.last_index << "  count " << r.count << "\n";
  }
  return 0;
}

// The parameters as the host holds them: host text.
std::vector<std::optional<std::string>> HostSlots(const std::vector<std::string>& parameters) {
  std::vector<std::optional<std::string>> slots;
  for (const std::string& p : parameters) slots.emplace_back(varkesh::ToHostText(p));
  return slots;
}

int Exec(Host& host, int action, const std::vector<std::string>& parameters, bool no_register) {
  host.Identify();
  if (!no_register)
    host.Register();
  const varkesh::host::Outcome outcome = host.Exec(action, HostSlots(parameters));
  std::cout << "result: " << (outcome.result ? "true" : "false") << "\n";
  for (const auto& [name, value] : outcome.variables) {
    std::cout << Printable(name) << "=" << Printable(value) << "\n";
  }
  if (!outcome.error.empty())
    std::cout << "error: " << Printable(outcome.error) << "\n";
  return outcome.result ? 0 : 1;
}

void PrintDialog(const varkesh::host::DialogReport& report) {
  std::cout << varkesh::host::Describe(report);
}

int Edit(Host& host,
         int action,
         const std::vector<std::string>& parameters,
         const std::vector<varkesh::host::DialogStep>& steps) {
  const varkesh::host::Outcome outcome = host.Edit(action, HostSlots(parameters), steps);
  std::cout << "result: " << (outcome.result ? "true" : "false") << "\n";
  for (size_t i = 0; i < outcome.parameters.size(); ++i) {
    std::cout << "slot " << i << ": \"" << Printable(outcome.parameters[i].value_or("")) << "\"\n";
  }
  for (const std::string& box : outcome.message_boxes) {
    std::cout << "message box: " << box << "\n";
  }
  PrintDialog(outcome.dialog);
  if (!outcome.error.empty())
    std::cout << "error: " << Printable(outcome.error) << "\n";
  return outcome.result ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  // Wine converts arguments through the Unix locale; as UTF-8 they carry every text a test
  // passes.
  std::vector<std::string> utf8 = varkesh::platform::CommandLineArguments(argc, argv);
  std::vector<char*> utf8_argv;
  for (std::string& argument : utf8) utf8_argv.push_back(argument.data());
  utf8_argv.push_back(nullptr);
  argc = static_cast<int>(utf8.size());
  argv = utf8_argv.data();
  CLI::App app{"A stand-in for the host application that loads the Varkesh plug-in.",
               "varkesh-host"};
  varkesh::cli::TidyHelp(app);
  app.require_subcommand(1);
  std::string plugin = DefaultPluginPath();
  app.add_option("--plugin", plugin, "The plug-in to load")->capture_default_str();

  app.add_subcommand("info", "Print the identification texts and the registered catalogue");
  CLI::App* exec = app.add_subcommand("exec", "Run one action with the given parameters");
  int action = 0;
  std::vector<std::string> parameters;
  bool no_register = false;
  exec->add_option("action", action, "Action number (1-4)")->required();
  exec->add_option("parameters", parameters, "The action's parameter texts, in order (UTF-8)");
  exec->add_flag("--no-register", no_register,
                 "Skip nbRegisterPlugIn, so that no variable callback is known");

  CLI::App* edit = app.add_subcommand(
      "edit", "Open an action's properties dialog, act in it and print the slots afterwards");
  edit->add_option("action", action, "Action number (1-4)")->required();
  edit->add_option("parameters", parameters, "The action's parameter texts, in order (UTF-8)");
  std::string steps;
  std::optional<std::string> version;
  std::optional<std::string> picked;
  std::string steps_file;
  const auto add_dialog_options = [&](CLI::App* command) {
    command->add_option("--steps", steps,
                        "What the author does, separated by ';': set NAME=TEXT, select NAME=N, "
                        "click NAME, key esc|enter|tab|alt+L, pick N, radio 0|1, ok, cancel, "
                        "help, close, state, shot FILE.bmp");
    // Wine converts arguments through the Unix locale, which may not carry Cyrillic.
    command->add_option("--steps-file", steps_file, "Read further steps from a UTF-8 file")
        ->check(CLI::ExistingFile);
  };
  add_dialog_options(edit);
  edit->add_option("--host-version", version,
                   "The host's answer to the version request (without it and --pick, the "
                   "plug-in has no interface-access callback)");
  edit->add_option("--pick", picked, "The variable the host lets the author pick");
  CLI::App* about = app.add_subcommand("about", "Open the About box");
  add_dialog_options(about);

  if (const std::optional<int> status = varkesh::cli::ParseArguments(app, argc, argv))
    return *status;
  try {
    Host host(plugin);
    if (app.got_subcommand("info"))
      return Info(host);
    if (!steps_file.empty()) {
      std::ifstream in(steps_file, std::ios::binary);
      steps += ";" + std::string(std::istreambuf_iterator<char>(in), {});
    }
    const std::vector<varkesh::host::DialogStep> dialog_steps = varkesh::host::ParseSteps(steps);
    if (app.got_subcommand("about")) {
      PrintDialog(host.About(dialog_steps));
      return 0;
    }
    if (app.got_subcommand("edit")) {
      host.Identify();
      host.Register();
      if (version || picked) {
        std::optional<varkesh::host::Answer> version_answer;
        if (version)
          version_answer = varkesh::host::Answer{true, *version};
        std::optional<varkesh::host::Answer> pick_answer;
        if (picked)
          pick_answer = varkesh::host::Answer{true, varkesh::ToHostText(*picked)};
        host.SetInterfaceAccess(version_answer, pick_answer);
      }
      return Edit(host, action, parameters, dialog_steps);
    }
    return Exec(host, action, parameters, no_register);
  } catch (const std::exception& e) {
    std::cerr << "varkesh-host: " << e.what() << "\n";
    return 1;
  }
}
