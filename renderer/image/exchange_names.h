// Names of the files the saver hands the renderer, where both programs form them.
#pragma once

#include <string>

// The photograph of a monitor other than the primary, named by the monitor's place and size on
// the virtual screen (the primary's is Quillmoor1.bmp): "Quillmoor1_m-1920_0_1920x1080.bmp" for a
// 1920 x 1080 monitor left of the primary. The saver writes it, the renderer finds it by the
// monitor it draws on, in whatever order the system lists the monitors.
std::string MonitorPictureName(int left, int top, int width, int height);

// True for a name MonitorPictureName gives (in any letter case, as the file system matches
// names), and for no other: what a search by kMonitorPicturePattern finds beside the session's
// photographs (the user's "Quillmoor1_mine.bmp") is not one of them.
bool IsMonitorPictureName(const std::string& name);

// True for the primary monitor's place on the virtual screen, its top left at 0, 0 (whatever its
// size): its photograph is the ground picture, Quillmoor1.bmp, and no other monitor's is.
bool IsPrimaryPlace(int left, int top);

// What every such name matches, as FindFirstFile takes it (and some other names).
constexpr char kMonitorPicturePattern[] = "Quillmoor1_m*.bmp";
