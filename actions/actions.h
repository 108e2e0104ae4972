// The run steps of the four actions. Each takes its parameter texts in parameter order (host
// text, already copied out of the host's array) and returns the action's Boolean result.
// Errors are exceptions carrying the message the author sees; whatever a step opened or made
// is released on the way out.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace varkesh {

// Stores a result into a host variable.
using SetVariable = std::function<void(const std::string& name, const std::string& value)>;

// Action 1: source file -> destination file, same length. False when the source does not exist
// (then nothing is opened or created).
bool RunFileCipher(const std::string& source,
                   const std::string& destination,
                   const std::string& pass_phrase,
                   const std::string& cipher_index,
                   const std::string& key_hash_index,
                   const std::string& direction);

// Action 2: plain text -> Base64 text, or Base64 text -> plain text, into `variable`.
bool RunStringCipher(const std::string& text,
                     const std::string& variable,
                     const std::string& pass_phrase,
                     const std::string& cipher_index,
                     const std::string& key_hash_index,
                     const std::string& direction,
                     const SetVariable& set_variable);

// Actions 3 and 4: the uppercase hexadecimal hash sum of a file or a text, into `variable`.
bool RunFileHashing(const std::string& file,
                    const std::string& variable,
                    const std::string& hash_index,
                    const SetVariable& set_variable);
bool RunStringHashing(const std::string& text,
                      const std::string& variable,
                      const std::string& hash_index,
                      const SetVariable& set_variable);

}  // namespace varkesh
