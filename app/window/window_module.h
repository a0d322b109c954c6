// The window half of the halvex program, built as a module of its own (halvex-window.so in
// Halvex's library folder) so that --once, --deleted and --restore start without loading the
// window system's libraries. The program loads it for the main window and for --demo.
#pragma once

namespace halvex {

// The module's file name, in Halvex's library folder or beside the program.
inline constexpr char kWindowModule[] = "halvex-window.so";
// The name of its entry, of type WindowMain.
inline constexpr char kWindowMainSymbol[] = "halvex_window_main";
using WindowMain = int (*)(int argc, char** argv);

// Loads the module and runs its entry: --demo, else the main window. 1 with a message on
// stderr when the module cannot be loaded.
int run_window_module(int argc, char** argv);

}  // namespace halvex
