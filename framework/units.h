// The program's units and the one order in which they start and stop.
//
// A unit's process-wide state is a namespace-scope object marked ZV_UNIT(level). GCC
// constructs such objects before the entry point in ascending level, whatever the link
// order of their files, and destroys them after the entry point returns (or exit is
// called) in the reverse order. So a unit may use the units of lower levels in its
// constructor and destructor, and never those of higher levels.
//
// Forms are not unit state: the application object destroys them when its message loop
// ends, or, for a program that never runs the loop to its end, from an exit handler that
// runs before any unit goes (see TApplication::Initialize). Every control, look-and-feel
// object and serial component is owned by a form or by code that frees it, so none of
// them outlives the units it uses.
//
// Unit state is never a function-local static: those are made on first use, during the
// entry point, and so would be destroyed before the units and before the forms.
#pragma once

namespace zv::unit {

// GCC reserves priorities up to 100 for itself.
// The exception library: first up and last down, so that it sees everything else start
// and stop, and its code patches are undone after every other unit has gone.
inline constexpr int kExceptions = 110;
// The runtime core: thread synchronisation, window-class registry.
inline constexpr int kRuntime = 120;
// The visual framework: application object, screen, shared hint window and brushes.
inline constexpr int kVisual = 130;
// Theme services: the run-time-loaded theme libraries, then the theme cache with its
// theme-change receiver.
inline constexpr int kThemeLibraries = 140;
inline constexpr int kThemeManager = 141;
// Drawing helpers: the gradient fill library, the Office 2003 colour set.
inline constexpr int kGraphics = 142;
// Look-and-feel settings: the painter registry, then the root look-and-feel object.
inline constexpr int kLookAndFeelRegistry = 150;
inline constexpr int kLookAndFeelRoot = 151;
// Controls' shared state: mouse tracking, the glyph cache, the popup menu owner.
inline constexpr int kControls = 160;

} // namespace zv::unit

#define ZV_UNIT(level) __attribute__((init_priority(level)))
