// varkesh-host: loads the plug-in as the host application would and shows what it does.
//
//   varkesh-host info                 identification texts and the registered catalogue
//   varkesh-host exec N P0 P1 ...     runs action N; prints the result, every variable set and
//                                     the error message if the call failed
#include <CLI/CLI.hpp>
#include <filesystem>

#ifdef _WIN32
#  include "platform/win32.h"
#endif
#include <iostream>

#include "host/host.h"

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

int Exec(Host& host, int action, const std::vector<std::string>& parameters, bool no_register) {
  host.Identify();
  if (!no_register)
    host.Register();
  std::vector<std::optional<std::string>> slots(parameters.begin(), parameters.end());
  const varkesh::host::Outcome outcome = host.Exec(action, slots);
  std::cout << "result: " << (outcome.result ? "true" : "false") << "\n";
  for (const auto& [name, value] : outcome.variables) {
    std::cout << Printable(name) << "=" << Printable(value) << "\n";
  }
  if (!outcome.error.empty())
    std::cout << "error: " << Printable(outcome.error) << "\n";
  return outcome.result ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"varkesh-host: a stand-in for the host application that loads the Varkesh plug-in"};
  app.require_subcommand(1);
  std::string plugin = DefaultPluginPath();
  app.add_option("--plugin", plugin, "The plug-in to load")->capture_default_str();

  app.add_subcommand("info", "Print the identification texts and the registered catalogue");
  CLI::App* exec = app.add_subcommand("exec", "Run one action with the given parameters");
  int action = 0;
  std::vector<std::string> parameters;
  bool no_register = false;
  exec->add_option("action", action, "Action number (1-4)")->required();
  exec->add_option("parameters", parameters, "The action's parameter texts, in order");
  exec->add_flag("--no-register", no_register,
                 "Skip nbRegisterPlugIn, so that no variable callback is known");

  CLI11_PARSE(app, argc, argv);
  try {
    Host host(plugin);
    if (app.got_subcommand("info"))
      return Info(host);
    return Exec(host, action, parameters, no_register);
  } catch (const std::exception& e) {
    std::cerr << "varkesh-host: " << e.what() << "\n";
    return 2;
  }
}
