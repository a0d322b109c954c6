// Loading the window module.
#include "window/window_module.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <string>

namespace halvex {

namespace {

// The folder of the running program, from /proc/self/exe; empty when it cannot be read.
std::string program_folder() {
  char path[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return {};
  const std::string program(path, static_cast<std::size_t>(n));
  return program.substr(0, program.rfind('/'));
}

}  // namespace

int run_window_module(int argc, char** argv) {
  // The places the program's run path names: Halvex's library folder once installed, the
  // program's own folder in the build tree. Looked up here rather than through the run path,
  // which a sanitizer's dlopen (called from its own library) would not apply.
  const std::string folder = program_folder();
  std::string tried;
  void* module = nullptr;
  for (const std::string& dir : {folder + "/../" HALVEX_INSTALL_LIBDIR "/halvex", folder}) {
    const std::string path = dir + "/" + kWindowModule;
    if (access(path.c_str(), F_OK) != 0) {
      tried += (tried.empty() ? "" : ", ") + path;
      continue;
    }
    // Kept loaded until the process ends.
    module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) {
      std::fprintf(stderr, "halvex: cannot load the window module: %s\n", dlerror());
      return 1;
    }
    break;
  }
  if (!module) {
    std::fprintf(stderr, "halvex: cannot load the window module: no %s (looked for %s)\n", kWindowModule,
                 tried.c_str());
    return 1;
  }
  auto entry = reinterpret_cast<WindowMain>(dlsym(module, kWindowMainSymbol));
  if (!entry) {
    std::fprintf(stderr, "halvex: the window module %s has no entry %s\n", kWindowModule, kWindowMainSymbol);
    return 1;
  }
  return entry(argc, argv);
}

}  // namespace halvex
