// Reads controls out of a screenshot of the window, for the end-to-end cases:
//
//   e2e_pixels text  SHOT X Y W H INK OUT [--within COLOUR]
//       the area as dark text on white, four times enlarged, for OCR: the
//       pixels of the text colour INK become ink, every other colour paper;
//       --within first narrows the area to the box of the pixels of COLOUR
//       (a selection highlight)
//   e2e_pixels strokes SHOT X Y W H
//       the number of vertical strokes in the area (the progress bars)
//   e2e_pixels plain SHOT X Y W H COLOUR
//       succeeds when every pixel of the area has that colour (nothing drawn)
//   e2e_pixels absent SHOT X Y W H COLOUR
//       succeeds when no pixel of the area has that colour (drawn whole);
//       prints how many have it otherwise
//   e2e_pixels match EXPECTED READ
//       succeeds when OCR's reading is close to the expected text
//
// SHOT is a binary PPM (P6, as ImageMagick's import writes it), OUT a PGM;
// colours are written R,G,B; the area is given in the picture's pixels.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

struct Colour {
  int Red = 0, Green = 0, Blue = 0;
  bool operator==(const Colour&) const = default;
  auto operator<=>(const Colour&) const = default;
};

struct Area {
  int X = 0, Y = 0, Width = 0, Height = 0;
};

class Picture {
 public:
  static Picture Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int width = 0, height = 0, maxValue = 0;
    in >> magic >> width >> height >> maxValue;
    in.get();  // the one blank before the samples
    if (!in || magic != "P6" || width <= 0 || height <= 0 || maxValue != 255)
      throw std::runtime_error(path + " is not an 8-bit binary PPM");
    Picture picture(width, height);
    in.read(reinterpret_cast<char*>(picture.samples_.data()),
            static_cast<std::streamsize>(picture.samples_.size()));
    if (!in) throw std::runtime_error(path + " ends early");
    return picture;
  }

  int Width() const { return width_; }
  int Height() const { return height_; }
  Colour At(int x, int y) const {
    const std::size_t index = (static_cast<std::size_t>(y) * width_ + x) * 3;
    return {samples_[index], samples_[index + 1], samples_[index + 2]};
  }

  // The area, cut to the picture; fails where nothing of it is inside.
  Area Clip(Area area) const {
    const int right = std::min(area.X + area.Width, width_);
    const int bottom = std::min(area.Y + area.Height, height_);
    area.X = std::max(area.X, 0);
    area.Y = std::max(area.Y, 0);
    area.Width = right - area.X;
    area.Height = bottom - area.Y;
    if (area.Width <= 0 || area.Height <= 0) throw std::runtime_error("the area lies outside the picture");
    return area;
  }

 private:
  Picture(int width, int height)
      : width_(width), height_(height), samples_(static_cast<std::size_t>(width) * height * 3) {}
  int width_;
  int height_;
  std::vector<unsigned char> samples_;
};

double Distance(const Colour& a, const Colour& b) {
  const double red = a.Red - b.Red, green = a.Green - b.Green, blue = a.Blue - b.Blue;
  return std::sqrt(red * red + green * green + blue * blue);
}

// The colour most pixels of the area have: the control's background.
Colour Background(const Picture& picture, const Area& area) {
  std::map<Colour, int> counts;
  for (int y = area.Y; y < area.Y + area.Height; ++y)
    for (int x = area.X; x < area.X + area.Width; ++x) ++counts[picture.At(x, y)];
  return std::max_element(counts.begin(), counts.end(),
                          [](const auto& a, const auto& b) { return a.second < b.second; })
      ->first;
}

// The box around the pixels of a colour in the area; the area itself where there are none.
Area BoxOf(const Picture& picture, const Area& area, const Colour& colour) {
  int left = area.X + area.Width, top = area.Y + area.Height, right = -1, bottom = -1;
  for (int y = area.Y; y < area.Y + area.Height; ++y)
    for (int x = area.X; x < area.X + area.Width; ++x)
      if (picture.At(x, y) == colour) {
        left = std::min(left, x);
        top = std::min(top, y);
        right = std::max(right, x);
        bottom = std::max(bottom, y);
      }
  if (right < 0) return area;
  return {left, top, right - left + 1, bottom - top + 1};
}

// Darkness 0..1 of each pixel: how close it is to the text colour, measured
// against the distance between the background and the text colour.
std::vector<double> InkOf(const Picture& picture, const Area& area, const Colour& ink) {
  const double span = std::max(1.0, Distance(Background(picture, area), ink));
  std::vector<double> darkness;
  darkness.reserve(static_cast<std::size_t>(area.Width) * area.Height);
  for (int y = area.Y; y < area.Y + area.Height; ++y)
    for (int x = area.X; x < area.X + area.Width; ++x)
      darkness.push_back(std::clamp(1.0 - Distance(picture.At(x, y), ink) / span, 0.0, 1.0));
  return darkness;
}

void WriteText(const Picture& picture, Area area, const Colour& ink, const std::string& out) {
  constexpr int kScale = 4;
  constexpr int kBorder = 12;  // paper around the text, in the picture's pixels
  const std::vector<double> darkness = InkOf(picture, area, ink);
  const int width = (area.Width + 2 * kBorder) * kScale;
  const int height = (area.Height + 2 * kBorder) * kScale;
  auto darknessAt = [&](double x, double y) {
    // Bilinear: enlarged text keeps smooth edges, which OCR reads best.
    x = std::clamp(x, 0.0, area.Width - 1.0);
    y = std::clamp(y, 0.0, area.Height - 1.0);
    const int x0 = static_cast<int>(x), y0 = static_cast<int>(y);
    const int x1 = std::min(x0 + 1, area.Width - 1), y1 = std::min(y0 + 1, area.Height - 1);
    const double fx = x - x0, fy = y - y0;
    auto at = [&](int px, int py) { return darkness[static_cast<std::size_t>(py) * area.Width + px]; };
    return (at(x0, y0) * (1 - fx) + at(x1, y0) * fx) * (1 - fy) +
           (at(x0, y1) * (1 - fx) + at(x1, y1) * fx) * fy;
  };
  std::vector<unsigned char> gray(static_cast<std::size_t>(width) * height, 255);
  for (int y = kBorder * kScale; y < (kBorder + area.Height) * kScale; ++y)
    for (int x = kBorder * kScale; x < (kBorder + area.Width) * kScale; ++x) {
      const double sourceX = (x + 0.5) / kScale - kBorder - 0.5;
      const double sourceY = (y + 0.5) / kScale - kBorder - 0.5;
      gray[static_cast<std::size_t>(y) * width + x] =
          static_cast<unsigned char>(std::lround(255 * (1 - darknessAt(sourceX, sourceY))));
    }
  std::ofstream file(out, std::ios::binary);
  file << "P5\n" << width << ' ' << height << "\n255\n";
  file.write(reinterpret_cast<const char*>(gray.data()), static_cast<std::streamsize>(gray.size()));
  if (!file) throw std::runtime_error("cannot write " + out);
}

// Columns that hold ink, in runs: each run of inked columns is one stroke.
// A column is inked where some pixel of it is nearer the darkest pixel of
// the area than the background.
int CountStrokes(const Picture& picture, const Area& area) {
  const Colour background = Background(picture, area);
  double farthest = 0;
  for (int y = area.Y; y < area.Y + area.Height; ++y)
    for (int x = area.X; x < area.X + area.Width; ++x)
      farthest = std::max(farthest, Distance(picture.At(x, y), background));
  if (farthest == 0) return 0;
  int strokes = 0;
  bool inStroke = false;
  for (int x = area.X; x < area.X + area.Width; ++x) {
    bool inked = false;
    for (int y = area.Y; y < area.Y + area.Height && !inked; ++y)
      inked = Distance(picture.At(x, y), background) > farthest / 2;
    if (inked && !inStroke) ++strokes;
    inStroke = inked;
  }
  return strokes;
}

int CountOthers(const Picture& picture, const Area& area, const Colour& colour) {
  int others = 0;
  for (int y = area.Y; y < area.Y + area.Height; ++y)
    for (int x = area.X; x < area.X + area.Width; ++x)
      if (!(picture.At(x, y) == colour)) ++others;
  return others;
}

// Blanks run together, and none at either end.
std::string Normalised(const std::string& text) {
  std::istringstream words(text);
  std::string word, result;
  while (words >> word) result += (result.empty() ? "" : " ") + word;
  return result;
}

std::size_t EditDistance(const std::string& a, const std::string& b) {
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

// OCR misreads a character now and then (a "[" as "|" or "(", an "l" as
// "I"): about one in eight may differ, and at least one.
bool CloseMatch(const std::string& expected, const std::string& read) {
  const std::string a = Normalised(expected), b = Normalised(read);
  const std::size_t allowed = std::max<std::size_t>(1, (a.size() + 4) / 8);
  return EditDistance(a, b) <= allowed;
}

Colour ParseColour(const std::string& text) {
  Colour colour;
  char comma1 = 0, comma2 = 0;
  std::istringstream in(text);
  if (!(in >> colour.Red >> comma1 >> colour.Green >> comma2 >> colour.Blue) || comma1 != ',' ||
      comma2 != ',')
    throw std::runtime_error("not a colour R,G,B: " + text);
  return colour;
}

Area ParseArea(const Picture& picture, char** arguments) {
  return picture.Clip({std::atoi(arguments[0]), std::atoi(arguments[1]), std::atoi(arguments[2]),
                       std::atoi(arguments[3])});
}

int Usage() {
  std::cerr << "usage: e2e_pixels text SHOT X Y W H INK OUT [--within COLOUR]\n"
               "       e2e_pixels strokes SHOT X Y W H\n"
               "       e2e_pixels plain SHOT X Y W H COLOUR\n"
               "       e2e_pixels absent SHOT X Y W H COLOUR\n"
               "       e2e_pixels match EXPECTED READ\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "match" && argc == 4) return CloseMatch(argv[2], argv[3]) ? 0 : 1;
    if (argc < 7) return Usage();
    const Picture picture = Picture::Read(argv[2]);
    Area area = ParseArea(picture, argv + 3);
    if (command == "strokes" && argc == 7) {
      std::cout << CountStrokes(picture, area) << '\n';
      return 0;
    }
    if (command == "plain" && argc == 8) {
      const int others = CountOthers(picture, area, ParseColour(argv[7]));
      if (others > 0) std::cout << others << " pixels of another colour\n";
      return others == 0 ? 0 : 1;
    }
    if (command == "absent" && argc == 8) {
      const Colour colour = ParseColour(argv[7]);
      const int found = area.Width * area.Height - CountOthers(picture, area, colour);
      if (found > 0) std::cout << found << '\n';
      return found == 0 ? 0 : 1;
    }
    if (command == "text" && (argc == 9 || (argc == 11 && std::string(argv[9]) == "--within"))) {
      if (argc == 11) area = BoxOf(picture, area, ParseColour(argv[10]));
      WriteText(picture, area, ParseColour(argv[7]), argv[8]);
      return 0;
    }
    return Usage();
  } catch (const std::exception& error) {
    std::cerr << "e2e_pixels: " << error.what() << '\n';
    return 2;
  }
}
