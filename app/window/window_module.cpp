// Loading the window module.
#include "window/window_module.h"

#include <dlfcn.h>

#include <cstdio>

namespace halvex {

int run_window_module(int argc, char** argv) {
  // Searched along the program's run path: beside it in the build tree, Halvex's library
  // folder once installed. Kept loaded until the process ends.
  void* module = dlopen(kWindowModule, RTLD_NOW | RTLD_LOCAL);
  if (!module) {
    std::fprintf(stderr, "halvex: cannot load the window module: %s\n", dlerror());
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
