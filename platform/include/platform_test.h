// What the Linux platform layer offers to tests (never part of the program): the call trace and the live
// platform objects, in every build; and, in builds with the test seams (PLATFORM_TEST_SEAMS, the developer
// build: never a release), hooks that let a test script the message queue and make calls fail, the last
// presented picture and the notices of unimplemented values given so far.
#pragma once

#include <d3d9.h>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::trace {

// The call trace. When on, every platform operation the program calls is recorded as one line such as
// "SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE)". Off by default, and then nothing is formatted.
void enable(bool on);
bool enabled();
void clear();
std::vector<std::string> lines();
// Records one line; used by the layer itself.
void record(std::string line);

// Every live platform object (window, Direct3D object, device, buffer, texture, font, DirectInput object,
// device) is registered under a label such as "VertexBuffer#1"; the trace names objects by these labels.
namespace objects {
void add(const void* object, std::string_view kind);
void remove(const void* object);
std::string label(const void* object); // "null" for nullptr, the label, or "?" for an unknown pointer
#ifdef PLATFORM_TEST_SEAMS
// What tests count: the objects alive now.
int live_count();
std::vector<std::string> live_labels(); // in order of label
#endif
} // namespace objects

#ifdef PLATFORM_TEST_SEAMS
namespace test {
// Called at the start of every PeekMessageA, with the number of earlier calls; a test posts messages
// (PostMessageA) or requests quit from it to script a run of WinMain.
void on_peek_message(std::function<void(int call)> hook);
// Called after every successful Present (a benchmark counts frames with it).
void on_present(std::function<void()> hook);
// Makes the named operation (e.g. "CreateDevice", "Direct3DCreate9", "CreateVertexBuffer") fail every
// time until cleared with an empty name.
void fail_operation(std::string name);
// Keeps the renderer of every device made from now on (until cleared) drawing into its offscreen back buffer,
// which Present copies into the window, even where the window's own buffers could take its place (a
// benchmark measures what the copy costs).
void draw_offscreen_only(bool on);
// The window's back-buffer pixels as last presented, 0xAARRGGBB, row by row from the top.
std::vector<std::uint32_t> presented_pixels(UINT* width, UINT* height);
// The notices of unimplemented values given so far in this process, "D3DRS_FOGENABLE value 1" each.
std::vector<std::string> unimplemented_notices();
} // namespace test
#endif

} // namespace platform::trace
