// The operating system's files as the framework's byte streams, for the plug-in's file actions
// and the tool alike.
#pragma once

#include "platform/files.h"
#include "varkesh/framework.h"

namespace varkesh {

class SourceStream final : public ByteReader {
 public:
  explicit SourceStream(platform::InputFile& file) : file_(file) {}

  size_t Read(uint8_t* buffer, size_t count) override { return file_.Read(buffer, count); }

 private:
  platform::InputFile& file_;
};

class DestinationStream final : public ByteWriter {
 public:
  explicit DestinationStream(platform::OutputFile& file) : file_(file) {}

  void Write(const uint8_t* buffer, size_t count) override { file_.Write(buffer, count); }

 private:
  platform::OutputFile& file_;
};

}  // namespace varkesh
