// Reads the X screen back and judges the picture, for the end-to-end tests.
//
//   screen_probe capture FILE.ppm            the 400 x 400 window area at (0, 0) as a binary PPM
//   screen_probe analyse FILE.ppm CX CY      picture statistics, one "name value" line each
//   screen_probe difference A.ppm B.ppm      share of pixels that differ between two captures
//
// The window sits at the top-left corner of a screen without a window manager.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace {

constexpr int Width = 400;
constexpr int Height = 400;

struct Picture {
  int width = 0, height = 0;
  std::vector<unsigned char> rgb;
  const unsigned char* at(int x, int y) const {
    return &rgb[3 * (static_cast<std::size_t>(y) * width + x)];
  }
};

bool Capture(const char* path) {
  Display* display = XOpenDisplay(nullptr);
  if (!display) {
    std::cerr << "screen_probe: cannot open display\n";
    return false;
  }
  XImage* image =
      XGetImage(display, DefaultRootWindow(display), 0, 0, Width, Height, AllPlanes, ZPixmap);
  if (!image) {
    std::cerr << "screen_probe: cannot read the screen\n";
    return false;
  }
  std::ofstream out(path, std::ios::binary);
  out << "P6\n" << Width << " " << Height << "\n255\n";
  for (int y = 0; y < Height; ++y) {
    for (int x = 0; x < Width; ++x) {
      const unsigned long pixel = XGetPixel(image, x, y);
      const char rgb[3] = {static_cast<char>((pixel & image->red_mask) >> 16),
                           static_cast<char>((pixel & image->green_mask) >> 8),
                           static_cast<char>(pixel & image->blue_mask)};
      out.write(rgb, 3);
    }
  }
  XDestroyImage(image);
  XCloseDisplay(display);
  return static_cast<bool>(out);
}

bool Load(const char* path, Picture& picture) {
  std::ifstream in(path, std::ios::binary);
  std::string magic;
  int maximum = 0;
  in >> magic >> picture.width >> picture.height >> maximum;
  in.get();
  if (magic != "P6" || maximum != 255 || picture.width <= 0 || picture.height <= 0) return false;
  picture.rgb.resize(std::size_t{3} * picture.width * picture.height);
  in.read(reinterpret_cast<char*>(picture.rgb.data()), picture.rgb.size());
  return static_cast<bool>(in);
}

bool IsWhite(const unsigned char* p) {
  return p[0] >= 250 && p[1] >= 250 && p[2] >= 250;
}

// The links are grey: colour 0.2, lit by two lights through normals that the boxes' scaling
// lengthens, so the faces seen head-on come out at about 0.69 and the rest darker.
bool IsLink(const unsigned char* p) {
  return p[0] < 235 && p[1] < 235 && p[2] < 235;
}

int Spread(const unsigned char* p) {
  const int high = std::max({p[0], p[1], p[2]});
  const int low = std::min({p[0], p[1], p[2]});
  return high - low;
}

// Prints: white share, link share, largest colour spread among link pixels, link share in the
// 9 x 9 block at (cx, cy), and in how many of 16 angular sectors around (cx, cy) link pixels lie
// at 30 to 120 pixels from it.
int Analyse(const Picture& picture, int cx, int cy) {
  constexpr int Sectors = 16;
  long white = 0, link = 0, centreLink = 0, centreAll = 0;
  int spread = 0;
  long sectorLink[Sectors] = {};
  for (int y = 0; y < picture.height; ++y) {
    for (int x = 0; x < picture.width; ++x) {
      const unsigned char* p = picture.at(x, y);
      if (IsWhite(p)) ++white;
      if (!IsLink(p)) continue;
      ++link;
      spread = std::max(spread, Spread(p));
      const int dx = x - cx, dy = y - cy;
      const double r = std::hypot(dx, dy);
      if (r >= 30 && r <= 120) {
        const double turn = (std::atan2(dy, dx) + M_PI) / (2 * M_PI);
        ++sectorLink[std::min(Sectors - 1, static_cast<int>(turn * Sectors))];
      }
    }
  }
  for (int y = cy - 4; y <= cy + 4; ++y) {
    for (int x = cx - 4; x <= cx + 4; ++x) {
      if (x < 0 || y < 0 || x >= picture.width || y >= picture.height) continue;
      ++centreAll;
      if (IsLink(picture.at(x, y))) ++centreLink;
    }
  }
  int sectorsReached = 0;
  for (long count : sectorLink) sectorsReached += count >= 20 ? 1 : 0;
  const double all = static_cast<double>(picture.width) * picture.height;
  std::printf("white %.4f\nlink %.4f\nlink_spread %d\ncentre_link %.4f\nsectors %d\n", white / all,
              link / all, spread, centreAll ? double(centreLink) / centreAll : 0.0, sectorsReached);
  return 0;
}

int Difference(const Picture& a, const Picture& b) {
  if (a.width != b.width || a.height != b.height) {
    std::cerr << "screen_probe: pictures differ in size\n";
    return 2;
  }
  long differing = 0;
  for (size_t i = 0; i < a.rgb.size(); i += 3) {
    if (std::memcmp(&a.rgb[i], &b.rgb[i], 3) != 0) ++differing;
  }
  std::printf("%.4f\n", differing / (static_cast<double>(a.width) * a.height));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  if (command == "capture" && argc == 3) return Capture(argv[2]) ? 0 : 1;
  Picture a, b;
  if (command == "analyse" && argc == 5 && Load(argv[2], a)) {
    return Analyse(a, std::atoi(argv[3]), std::atoi(argv[4]));
  }
  if (command == "difference" && argc == 4 && Load(argv[2], a) && Load(argv[3], b)) {
    return Difference(a, b);
  }
  std::cerr << "usage: screen_probe capture FILE | analyse FILE CX CY | difference A B\n";
  return 2;
}
