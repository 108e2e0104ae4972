#include "cli/hash_files.h"

#include <algorithm>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>

#include "actions/file_streams.h"
#include "platform/files.h"
#include "varkesh/formats.h"

namespace varkesh::cli {

namespace {

FileSum HashOne(const HashClass& hash, const std::string& name) {
  FileSum result{&name, {}, {}};
  try {
    platform::InputFile in = name == "-"
                                 ? platform::InputFile::StandardInput()
                                 : platform::InputFile::Open(name, platform::Sharing::kReaders);
    SourceStream reader(in);
    result.sum = HashSum(hash, reader);
  } catch (const std::exception& e) {
    result.error = e.what();
  }
  return result;
}

}  // namespace

void HashFiles(const HashClass& hash,
               const std::vector<std::string>& names,
               unsigned jobs,
               const std::function<bool(const FileSum&)>& report) {
  const size_t count = names.size();
  const size_t workers =
      std::min<size_t>(jobs != 0 ? jobs : std::max(1u, std::thread::hardware_concurrency()), count);
  if (workers <= 1) {
    for (const std::string& name : names) {
      if (!report(HashOne(hash, name)))
        return;
    }
    return;
  }
  // Each worker takes the next file; whoever completes the file that is due reports it and
  // the finished ones after it, so results wait only for the files named before them.
  std::mutex lock;
  std::vector<std::optional<FileSum>> finished(count);
  size_t next = 0;
  size_t due = 0;
  bool stop = false;
  std::exception_ptr failure;
  const auto work = [&] {
    for (;;) {
      size_t i = 0;
      {
        const std::lock_guard<std::mutex> hold(lock);
        if (stop || next == count)
          return;
        i = next++;
      }
      FileSum sum = HashOne(hash, names[i]);
      const std::lock_guard<std::mutex> hold(lock);
      finished[i] = std::move(sum);
      try {
        while (!stop && due < count && finished[due]) {
          stop = !report(*finished[due]);
          finished[due].reset();
          ++due;
        }
      } catch (...) {
        failure = std::current_exception();
        stop = true;
      }
    }
  };
  std::vector<std::thread> threads;
  for (size_t i = 1; i < workers; ++i) threads.emplace_back(work);
  work();
  for (std::thread& thread : threads) thread.join();
  if (failure)
    std::rethrow_exception(failure);
}

std::vector<std::string> ExpandWildcards(const std::vector<std::string>& names) {
#ifdef _WIN32
  std::vector<std::string> expanded;
  for (const std::string& name : names) {
    const std::vector<std::string> matches = name.find_first_of("*?") != std::string::npos
                                                 ? platform::MatchingNames(name)
                                                 : std::vector<std::string>{};
    if (matches.empty()) {
      expanded.push_back(name);
    } else {
      expanded.insert(expanded.end(), matches.begin(), matches.end());
    }
  }
  return expanded;
#else
  return names;
#endif
}

}  // namespace varkesh::cli
