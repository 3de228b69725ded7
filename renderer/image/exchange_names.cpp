#include "exchange_names.h"

std::string MonitorPictureName(int left, int top, int width, int height) {
    return "Quillmoor1_m" + std::to_string(left) + "_" + std::to_string(top) + "_" + std::to_string(width) + "x" +
           std::to_string(height) + ".bmp";
}

bool IsPrimaryPlace(int left, int top) { return left == 0 && top == 0; }
