// varkesh: reads and writes the plug-in's formats from the command line.
#include <CLI/CLI.hpp>
#include <exception>

#include "cli/commands.h"
#include "crypto/framework.h"

int main(int argc, char** argv) {
  using namespace varkesh::cli;
  CLI::App app{"varkesh: encrypt, decrypt and hash texts and files in the Varkesh formats"};
  app.set_version_flag("--version", "varkesh 1.0.0");
  app.require_subcommand(1);

  HashOptions hash;
  CLI::App* hash_cmd = app.add_subcommand("hash", "Print the hash sum of a text or of files");
  hash_cmd
      ->add_option("-a,--algorithm", hash.algorithm,
                   "Hash by name: haval md4 md5 rmd128 rmd160 sha1 sha256 sha384 sha512 tiger")
      ->capture_default_str();
  CLI::Option* text_opt = hash_cmd->add_option("--text", hash.text, "Hash this text");
  hash_cmd->add_option("files", hash.files, "Files to hash; - is standard input")
      ->excludes(text_opt);

  app.add_subcommand("selftest", "Run the known-answer test of every hash and cipher");
  app.add_subcommand("algorithms", "List the hashes and ciphers with their indices and sizes");

  CLI11_PARSE(app, argc, argv);
  hash.has_text = text_opt->count() != 0;

  try {
    if (hash_cmd->parsed())
      return RunHash(hash);
    if (app.got_subcommand("selftest"))
      return RunSelfTest();
    if (app.got_subcommand("algorithms"))
      return RunAlgorithms();
  } catch (const std::exception& e) {
    ReportError(e.what());
    return 1;
  }
  return 0;
}
