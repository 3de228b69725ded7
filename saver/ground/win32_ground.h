// The ground of each monitor of a session, as the platform gives it: the desktop's name, the
// screen photographed, the wallpaper read and placed (ground.h says which, where).
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// The name of the desktop the calling thread runs on (UTF-8); "" where it cannot be read.
std::string ThreadDesktopName();

// An area of the screen (virtual-screen coordinates), one pixel per pixel, as 32-bit
// blue-green-red-x pixels, rows from the top; black where the system gives nothing, empty where
// no memory for it can be had.
std::vector<uint8_t> CaptureScreen(const RECT& area);

// Receives each monitor's ground: its index among the monitors asked for, and its pixels as
// CaptureScreen gives them, the monitor's size; or, where `file` is given, the watcher's
// photograph of it, its picture file as written (the sink may take its bytes).
using GroundSink =
    std::function<void(size_t monitor, const uint8_t* bgrx, int width, int height, std::vector<uint8_t>* file)>;

// The watcher's photographs of the monitors asked for (each monitor's picture file as written),
// where the session may take them as its ground; none otherwise. Asked at most once.
using WatchedPhotographs = std::function<std::vector<std::vector<uint8_t>>()>;

// Makes the ground of each of `monitors` (virtual-screen rectangles, the primary first) and hands
// it to `sink`, one after another, each from the first source that gives one there
// (GroundOrder for this thread's desktop): the screen photographed, where it shows more than one
// colour; the watcher's photograph (`watched`, where given); the user's wallpaper placed as their
// desktop places it (over every monitor of the system, where it spans them); their background
// colour.
void MakeGrounds(const std::vector<RECT>& monitors, const WatchedPhotographs& watched, const GroundSink& sink);
