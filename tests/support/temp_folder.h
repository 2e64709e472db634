#pragma once
// A fresh folder below the system temporary folder, removed with its contents at the end.
#include <string>

#include "core/context.h"

namespace kestrum::testing {

class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }
  void write(const std::string& name, const std::string& bytes) const;
  std::string read(const std::string& name) const;

 private:
  std::string path_;
};

// A context whose program folder and per-user root both live in a temporary folder, with
// Storage already created, as after the program's first start.
struct TestProgram {
  TestProgram();
  TempFolder root;
  Context ctx;
  std::string storage() const { return ctx.program_folder + "/Storage"; }
};

}  // namespace kestrum::testing
