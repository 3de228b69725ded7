// An offscreen Mesa context for the GL ring, current for the life of the object.
#pragma once

#include <GL/osmesa.h>

#include <cstddef>
#include <vector>

class OffscreenGl {
public:
    OffscreenGl(int width, int height) : width_(width), height_(height), pixels_(std::size_t(width) * height * 4) {
        context_ = OSMesaCreateContextExt(OSMESA_RGBA, 16, 0, 0, nullptr);
        if (context_) current_ = OSMesaMakeCurrent(context_, pixels_.data(), GL_UNSIGNED_BYTE, width, height);
    }
    ~OffscreenGl() {
        if (!context_) return;
        glFinish();  // llvmpipe can fault when a context goes with drawing still queued
        OSMesaMakeCurrent(nullptr, nullptr, 0, 0, 0);
        OSMesaDestroyContext(context_);
    }
    OffscreenGl(const OffscreenGl&) = delete;
    OffscreenGl& operator=(const OffscreenGl&) = delete;

    bool Ok() const { return context_ && current_; }
    // RGBA bytes, bottom row first.
    const std::vector<unsigned char>& Pixels() {
        glFinish();
        return pixels_;
    }
    int Width() const { return width_; }
    int Height() const { return height_; }

private:
    int width_, height_;
    std::vector<unsigned char> pixels_;
    OSMesaContext context_ = nullptr;
    bool current_ = false;
};
