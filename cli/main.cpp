// varkesh: reads and writes the plug-in's formats from the command line.
#include <CLI/CLI.hpp>
#include <exception>
#include <vector>

#include "cli/commands.h"
#include "cli/process.h"
#include "cli/usage.h"
#include "varkesh/framework.h"
#include "varkesh/version.h"

int main(int argc, char** argv) {
  using namespace varkesh::cli;
  std::vector<std::string> arguments = PrepareProcess(argc, argv);
  std::vector<char*> argument_pointers;
  for (std::string& argument : arguments) argument_pointers.push_back(argument.data());
  argc = static_cast<int>(arguments.size());
  argv = argument_pointers.data();
  CLI::App app{"Encrypt, decrypt and hash texts and files in the Varkesh formats.", "varkesh"};
  TidyHelp(app);
  app.set_version_flag("--version", std::string("varkesh ") + varkesh::Version());
  app.require_subcommand(1);

  HashOptions hash;
  CLI::App* hash_cmd = app.add_subcommand("hash", "Print the hash sum of a text or of files");
  hash_cmd
      ->add_option("-a,--algorithm", hash.algorithm,
                   "Hash by the hashing actions' index (0 MD5, 1 RIPEMD-160, 2 SHA-256) or "
                   "name: haval md4 md5 rmd128 rmd160 sha1 sha256 sha384 sha512 tiger")
      ->type_name("HASH")
      ->capture_default_str();
  const auto add_code_page = [](CLI::App* cmd, std::string& code_page) {
    cmd->add_option("--code-page", code_page,
                    "Code page of the pass phrase and texts, by number or name: 1251 (the "
                    "host's), 1252, 866, koi8-r, ...; utf-8 or raw keeps the bytes. "
                    "VARKESH_CODE_PAGE sets the default")
        ->type_name("CP")
        ->envname("VARKESH_CODE_PAGE")
        ->capture_default_str();
  };
  add_code_page(hash_cmd, hash.code_page);
  CLI::Option* text_opt =
      hash_cmd->add_option("--text", hash.text, "Hash this text; - reads standard input")
          ->type_name("TEXT");
  CLI::Option* check_opt =
      hash_cmd
          ->add_option("-c,--check", hash.check,
                       "Read sums from this file (as md5sum and sha256sum write them) and check "
                       "them; - is standard input")
          ->type_name("SUMS")
          ->excludes(text_opt);
  hash_cmd->add_option("files", hash.files, "Files to hash; - is standard input")
      ->type_name("FILE")
      ->excludes(text_opt)
      ->excludes(check_opt);
  hash_cmd->add_flag("--quiet", hash.quiet, "With --check: no line for a file that matches")
      ->needs(check_opt);
  hash_cmd->add_flag("--status", hash.status, "With --check: no output, only the exit status")
      ->needs(check_opt);
  hash_cmd
      ->add_flag("--ignore-missing", hash.ignore_missing,
                 "With --check: skip the files that do not exist")
      ->needs(check_opt);
  hash_cmd->add_flag("--strict", hash.strict, "With --check: fail on a line that is not a sum")
      ->needs(check_opt);
  hash_cmd
      ->add_option("-j,--jobs", hash.jobs,
                   "Files hashed at once (default: one per processor); the output keeps "
                   "the order of the files")
      ->type_name("N");

  // Where the pass phrase comes from, for the commands that need one.
  const auto add_passphrase_options = [](CLI::App* cmd, CipherOptions& o) {
    CLI::Option* env = cmd->add_option("--passphrase-env", o.passphrase_env,
                                       "Take the pass phrase from this environment variable")
                           ->type_name("VAR");
    CLI::Option* file = cmd->add_option("--passphrase-file", o.passphrase_file,
                                        "Take the pass phrase from the first line of this file "
                                        "(-: standard input, when the data comes from elsewhere)")
                            ->type_name("FILE")
                            ->excludes(env);
    cmd->add_option("--passphrase-fd", o.passphrase_fd,
                    "Take the pass phrase from the first line read from this descriptor")
        ->type_name("FD")
        ->excludes(env)
        ->excludes(file);
    cmd->add_flag("--empty-passphrase", o.empty_passphrase, "Accept an empty pass phrase");
  };
  // --text or an input file; returns --text.
  const auto add_data_options = [](CLI::App* cmd, CipherOptions& o) {
    CLI::Option* text =
        cmd->add_option("--text", o.text,
                        "Work on this text in the string format (Base64); - reads standard input")
            ->type_name("TEXT");
    cmd->add_option("input", o.input, "Input file in the file format; - or nothing: standard input")
        ->type_name("FILE")
        ->excludes(text);
    return text;
  };

  CipherOptions encrypt, decrypt;
  decrypt.encrypt = false;
  std::vector<CLI::Option*> text_options;
  const auto add_cipher_command = [&](const char* name, const char* help, CipherOptions& o) {
    CLI::App* cmd = app.add_subcommand(name, help);
    cmd->add_option("-c,--cipher", o.cipher,
                    "Cipher by index (0-18) or name: blowfish cast128 cast256 des 3des ice "
                    "thinice ice2 idea mars misty1 rc2 rc4 rc5 rc6 rijndael serpent tea twofish")
        ->type_name("CIPHER")
        ->capture_default_str();
    cmd->add_option("-k,--key-hash", o.key_hash,
                    "Hash that turns the pass phrase into the key, by index (0-9) or name: haval "
                    "md4 md5 rmd128 rmd160 sha1 sha256 sha384 sha512 tiger")
        ->type_name("HASH")
        ->capture_default_str();
    add_passphrase_options(cmd, o);
    add_code_page(cmd, o.code_page);
    CLI::Option* text = add_data_options(cmd, o);
    cmd->add_option("output", o.output, "Output file; - or nothing: standard output")
        ->type_name("FILE")
        ->excludes(text);
    cmd->footer(
        "Without a pass phrase option, the pass phrase is asked for on the terminal\n"
        "without echo. The pass phrase and texts are converted from UTF-8 to the code\n"
        "page; file contents are bytes and stay as they are. The formats carry no check\n"
        "value: a wrong pass phrase, cipher or key hash gives other bytes, not an error.");
    text_options.push_back(text);
    return cmd;
  };
  CLI::App* encrypt_cmd = add_cipher_command("encrypt", "Encrypt a text or a file", encrypt);
  CLI::App* decrypt_cmd = add_cipher_command("decrypt", "Decrypt a text or a file", decrypt);

  GuessOptions guess;
  guess.data.encrypt = false;
  CLI::App* guess_cmd = app.add_subcommand(
      "guess", "Find the cipher, key hash and pass-phrase code page that decrypt a text or a file");
  add_passphrase_options(guess_cmd, guess.data);
  text_options.push_back(add_data_options(guess_cmd, guess.data));
  guess_cmd
      ->add_option("--code-page", guess.code_pages,
                   "Code pages the pass phrase may have been typed in, separated by commas "
                   "(default: 1251,1252,utf-8)")
      ->delimiter(',');
  guess_cmd->add_option("--top", guess.top, "List this many candidates")
      ->capture_default_str()
      ->check(CLI::Range(1, 1000000));
  guess_cmd->add_option("-j,--jobs", guess.jobs, "Threads (default: one per processor)");
  CLI::Option* sha256 =
      guess_cmd->add_option("--expect-sha256", guess.expect_sha256,
                            "The SHA-256 digest of the whole plaintext: the first candidate "
                            "whose plaintext has it wins");
  guess_cmd
      ->add_option("--expect-md5", guess.expect_md5,
                   "The MD5 digest of the whole plaintext, likewise")
      ->excludes(sha256);
  guess_cmd->footer(
      "Every cipher and key hash is tried with the pass phrase in every code page (570 "
      "candidates by default), and each plaintext is scored in bits of evidence that it is text "
      "or a file of a known kind rather than random bytes; a file is judged by its first 64 KiB.\n"
      "Exit status: 0 when one candidate clearly wins: it scores at least 30 bits (random "
      "bytes reach that about once in a billion tries) and at least 10 bits more than any other; "
      "with --expect-sha256 or --expect-md5, 0 when a candidate's plaintext has that digest. 1 "
      "when no candidate wins, 2 for usage errors.");

  app.add_subcommand("selftest", "Run the known-answer test of every hash and cipher");
  app.add_subcommand("algorithms", "List the hashes and ciphers with their indices and sizes");

  if (const std::optional<int> status = ParseArguments(app, argc, argv))
    return *status;
  hash.has_text = text_opt->count() != 0;
  hash.has_check = check_opt->count() != 0;
  encrypt.has_text = text_options[0]->count() != 0;
  decrypt.has_text = text_options[1]->count() != 0;
  guess.data.has_text = text_options[2]->count() != 0;

  int status = 0;
  try {
    if (hash_cmd->parsed())
      status = RunHash(hash);
    if (encrypt_cmd->parsed())
      status = RunCipher(encrypt);
    if (decrypt_cmd->parsed())
      status = RunCipher(decrypt);
    if (guess_cmd->parsed())
      status = RunGuess(guess);
    if (app.got_subcommand("selftest"))
      status = RunSelfTest();
    if (app.got_subcommand("algorithms"))
      status = RunAlgorithms();
  } catch (const UsageError& e) {
    status = ReportUsageError("varkesh", e.what());
  } catch (const std::exception& e) {
    ReportError(e.what());
    status = 1;
  }
  return FinishStandardOutput(status);
}
