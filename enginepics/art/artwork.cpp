// The machines of the seven families, part by part. Every part is drawn in
// the coordinates of the family's whole picture, so that the marks fall on
// the drawers, trays and bins they mark: full-frame bitmaps are whole
// pictures, positioned bitmaps are the window of the picture at the place the
// rule list paints them.
#include "enginepics/art/artwork.h"

#include <functional>
#include <stdexcept>
#include <string>
#include <tuple>
#include <utility>

#include "enginepics/art/catalogue.h"
#include "enginepics/art/draw.h"

namespace vlm::enginepics::art {
namespace {

using namespace palette;

QRgb ToQRgb(COLORREF c) { return 0xFF000000u | ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF); }

// Collects a family's bitmaps at their catalogue sizes and keys.
class Builder {
 public:
  explicit Builder(std::string_view family) : family_(FindFamily(family)) {
    if (family_ == nullptr) throw std::invalid_argument("unknown family");
  }

  // A bitmap whose top-left pixel is the picture's (ox, oy); full-frame
  // bitmaps are at (0, 0).
  void Add(WORD id, int ox, int oy, const std::function<void(Art&)>& draw) {
    const BitmapSpec* spec = family_->Find(id);
    if (spec == nullptr) throw std::invalid_argument("bitmap not in the catalogue: " + std::to_string(id));
    Art a(spec->width, spec->height, ToQRgb(spec->key), ox, oy);
    draw(a);
    out_[id] = a.Image();
  }
  void Add(WORD id, const std::function<void(Art&)>& draw) { Add(id, 0, 0, draw); }

  std::map<WORD, QImage> Done() {
    out_[2000] = ArrowBitmap(Dir::kUp);
    out_[2001] = ArrowBitmap(Dir::kDown);
    out_[2002] = ArrowBitmap(Dir::kLeft);
    out_[2003] = ArrowBitmap(Dir::kRight);
    return std::move(out_);
  }

 private:
  const FamilyArt* family_;
  std::map<WORD, QImage> out_;
};

// --- Shared pieces -----------------------------------------------------------

void ControlPanel(Art& a, Rect r) {
  a.Box(r, kPanel);
  const int screenRight = r.x0 + (r.x1 - r.x0) * 3 / 5;
  a.Box({r.x0 + 2, screenRight, r.y0 + 2, r.y1 - 2}, kScreen, kOutline);
  for (int x = screenRight + 3; x + 1 < r.x1 - 1; x += 3) a.Fill({x, x + 1, r.y0 + 3, r.y0 + 4}, kHandle);
}

void Scanner(Art& a, Rect r, int feederInset) {
  const int lidTop = r.y0 + (r.y1 - r.y0) / 3;
  a.Box({r.x0, r.x1, lidTop, r.y1}, kScanner);
  a.HLine(r.x0 + 2, r.x1 - 2, lidTop + (r.y1 - lidTop) / 2, kScanner.dark);
  // The document feeder with a sheet waiting on it.
  const Rect feeder{r.x0 + feederInset, r.x1 - feederInset / 2, r.y0, lidTop + 1};
  a.Box(feeder, kScanner);
  if (feeder.x1 - feeder.x0 > 10 && lidTop - r.y0 >= 2) {
    a.HLine(feeder.x0 + 3, feeder.x0 + (feeder.x1 - feeder.x0) * 2 / 3, r.y0 + 1, kPaper.fill);
  }
}

// A cabinet standing on two feet: the box takes all but the lowest `feet` rows.
void Cabinet(Art& a, Rect r, const Shade& s, int feet) {
  a.Box({r.x0, r.x1, r.y0, r.y1 - feet}, s);
  a.Feet({r.x0, r.x1, r.y1 - feet + 1, r.y1});
}

void MarkDrawer(Art& a, Rect r) { a.Drawer(r, kHighlight, kHighlightOutline, kHighlightOutline); }
void MarkTray(Art& a, Rect r) { a.Tray(r, kHighlight, kHighlightPale, kHighlightOutline); }
void MarkBox(Art& a, Rect r) { a.Box(r, kHighlight, kHighlightOutline); }

// A finisher tower with its bins on the left side: trays at the given rows.
void FinisherTower(Art& a, Rect tower, int feet) {
  Cabinet(a, tower, kFinisher, feet);
  a.VLine(tower.x0 + (tower.x1 - tower.x0) * 2 / 3, tower.y0 + 3, tower.y1 - feet - 3, kFinisher.dark);
}

// A large-capacity tray cabinet: one deep drawer.
void LargeCapacityTray(Art& a, Rect r) {
  Cabinet(a, r, kBase, 4);
  a.Drawer({r.x0 + 3, r.x1 - 3, r.y0 + 6, r.y1 - 8});
}
void MarkLargeCapacityTray(Art& a, Rect r) {
  a.Box({r.x0, r.x1, r.y0, r.y1 - 4}, kHighlight, kHighlightOutline);
  a.Feet({r.x0, r.x1, r.y1 - 3, r.y1}, kHighlightOutline);
  a.Drawer({r.x0 + 3, r.x1 - 3, r.y0 + 6, r.y1 - 8}, kHighlightPale, kHighlightOutline, kHighlightOutline);
}

// --- RX11 and RX16 -----------------------------------------------------------

void FourBinFinisher(Art& a, int bins) {
  // Tower left of the body, a bridge into the body's exit recess.
  FinisherTower(a, {62, 84, 21, 59}, 3);
  a.Box({85, 134, 31, 50}, kFinisher);
  a.Vents({100, 128, 36, 44}, kFinisher.dark);
  static const int kBinOrder[4][4] = {{1, 0, 0, 0}, {1, 4, 0, 0}, {1, 2, 4, 0}, {1, 2, 3, 4}};
  for (int b : kBinOrder[bins - 1]) {
    if (b == 0) continue;
    const int y = 31 + 7 * (b - 1);
    a.Tray({57, 77, y, y + 4});
  }
}

std::map<WORD, QImage> DrawRX11(std::string_view family, bool rx16) {
  Builder b(family);
  b.Add(1000, [](Art& a) {
    a.Box({85, 168, 24, 91}, kBody);
    a.Box({87, 137, 32, 53}, {kCavity, kCavity, kCavity});
    ControlPanel(a, {141, 165, 27, 36});
    a.HLine(86, 167, 56, kBody.dark);
    a.Box({147, 167, 59, 75}, kPanel);
    a.HLine(150, 164, 63, kHandle);
    a.Drawer({85, 135, 71, 81});
    a.Drawer({85, 135, 82, 91});
    a.Vents({140, 164, 80, 88}, kBody.dark);
  });
  b.Add(1002, [](Art& a) { Scanner(a, {85, 145, 13, 23}, 8); });
  b.Add(1010, [](Art& a) { a.Tray({90, 134, 39, 46}); });
  b.Add(1011, [](Art& a) {
    a.Box({85, 135, 32, 52}, kFinisher);
    a.Tray({86, 106, 36, 42});
    a.Tray({86, 108, 45, 51});
    a.Vents({113, 132, 37, 47}, kFinisher.dark);
  });
  b.Add(1012, [](Art& a) { FourBinFinisher(a, 2); });
  b.Add(1013, [](Art& a) { FourBinFinisher(a, 3); });
  b.Add(1014, [](Art& a) { FourBinFinisher(a, 4); });
  b.Add(1020, [](Art& a) {
    MarkBox(a, {146, 168, 58, 76});
    a.HLine(150, 164, 63, kHighlightOutline);
  });
  const std::tuple<int, int, int> trayMarks[] = {
      {1021, 71, 81}, {1022, 81, 91}, {1023, 91, 101}, {1024, 101, 111}, {1051, 92, 111}};
  for (auto [id, y0, y1] : trayMarks) {
    b.Add(static_cast<WORD>(id), [y0 = y0, y1 = y1](Art& a) {
      a.Pointer({74, 84, y0, y1}, Dir::kRight);
      MarkDrawer(a, {85, 135, y0, y1});
    });
  }
  b.Add(1030, [](Art& a) {
    a.Pointer({78, 89, 37, 46}, Dir::kRight);
    MarkTray(a, {90, 134, 37, 46});
  });
  for (int bin = 1; bin <= 4; ++bin) {
    const int y0 = 20 + 7 * (bin - 1);
    b.Add(static_cast<WORD>(1030 + bin), [y0](Art& a) {
      a.Pointer({46, 56, y0 + 4, y0 + 13}, Dir::kRight);
      MarkBox(a, {57, 77, y0, y0 + 17});
      a.HLine(59, 75, y0 + 13, kHighlightOutline);
    });
  }
  b.Add(1040, [](Art& a) {
    Cabinet(a, {85, 145, 92, 116}, kBase, 4);
    a.VLine(115, 95, 109, kBase.dark);
    a.Fill({111, 112, 100, 103}, kHandle);
    a.Fill({118, 119, 100, 103}, kHandle);
  });
  b.Add(1041, [](Art& a) {
    Cabinet(a, {85, 145, 92, 116}, kBase, 4);
    a.Drawer({85, 135, 92, 111});
  });
  b.Add(1042, [](Art& a) {
    Cabinet(a, {85, 145, 92, 116}, kBase, 4);
    a.Drawer({85, 135, 92, 101});
    a.Drawer({85, 135, 102, 111});
  });
  b.Add(1070, [](Art& a) { MarkTray(a, {85, 107, 35, 43}); });
  b.Add(1071, [](Art& a) { MarkTray(a, {85, 109, 44, 52}); });
  if (rx16) {
    b.Add(1015, [](Art& a) {
      FinisherTower(a, {36, 84, 22, 116}, 4);
      a.Box({85, 135, 31, 50}, kFinisher);
      a.Vents({100, 128, 36, 44}, kFinisher.dark);
      a.Tray({30, 49, 19, 25});
      a.Tray({30, 50, 36, 47});
      a.Vents({44, 70, 70, 100}, kFinisher.dark);
    });
    b.Add(1025, [](Art& a) { LargeCapacityTray(a, {145, 173, 91, 116}); });
    b.Add(1035, [](Art& a) {
      a.Pointer({33, 46, 11, 18}, Dir::kDown);
      MarkTray(a, {30, 49, 19, 31});
    });
    b.Add(1036, [](Art& a) { MarkTray(a, {30, 50, 29, 53}); });
    b.Add(1052, [](Art& a) {
      a.Pointer({152, 166, 80, 90}, Dir::kDown);
      MarkLargeCapacityTray(a, {145, 173, 91, 116});
    });
  }
  return b.Done();
}

// --- RX12 --------------------------------------------------------------------

std::map<WORD, QImage> DrawRX12() {
  Builder b("RX12");
  b.Add(1000, [](Art& a) {
    a.Box({75, 131, 33, 84}, kBody);
    ControlPanel(a, {104, 128, 36, 44});
    a.Fill({76, 78, 52, 59}, kCavity);
    a.Fill({129, 130, 42, 58}, kCavity);
    a.HLine(76, 130, 68, kBody.dark);
    a.Drawer({75, 131, 75, 83});
  });
  b.Add(1002, [](Art& a) { Scanner(a, {75, 128, 20, 32}, 6); });
  b.Add(1010, [](Art& a) { a.Tray({61, 74, 53, 60}); });
  b.Add(1013, [](Art& a) {
    FinisherTower(a, {40, 74, 44, 114}, 4);
    a.Tray({41, 52, 44, 48});
    a.Tray({28, 49, 61, 68});
    a.Tray({28, 49, 90, 97});
    a.Vents({56, 70, 52, 64}, kFinisher.dark);
  });
  b.Add(1020, [](Art& a) {
    a.Pointer({132, 137, 46, 54}, Dir::kLeft);
    MarkTray(a, {138, 149, 41, 59});
  });
  const std::tuple<int, int, int> trayMarks[] = {{1021, 75, 83},   {1022, 89, 96},
                                                 {1023, 97, 105},  {1024, 106, 114},
                                                 {1025, 106, 114}, {1051, 89, 114},
                                                 {1052, 97, 114}};
  for (auto [id, y0, y1] : trayMarks) {
    b.Add(static_cast<WORD>(id), [y0 = y0, y1 = y1](Art& a) {
      MarkDrawer(a, {75, 131, y0, y1});
      a.Pointer({132, 144, y0, y1}, Dir::kLeft);
    });
  }
  b.Add(1030, [](Art& a) {
    a.Pointer({61, 74, 42, 52}, Dir::kDown);
    MarkTray(a, {61, 74, 53, 60});
  });
  b.Add(1031, [](Art& a) {
    a.Pointer({41, 52, 33, 43}, Dir::kDown);
    MarkTray(a, {41, 52, 44, 50});
  });
  b.Add(1032, [](Art& a) { MarkTray(a, {28, 49, 52, 77}); });
  b.Add(1033, [](Art& a) { MarkTray(a, {28, 49, 81, 106}); });
  const Rect base{75, 130, 84, 120};
  b.Add(1040, [base](Art& a) {
    Cabinet(a, base, kBase, 5);
    a.VLine(102, 87, 112, kBase.dark);
    a.Fill({98, 99, 96, 100}, kHandle);
    a.Fill({105, 106, 96, 100}, kHandle);
  });
  b.Add(1041, [base](Art& a) {
    Cabinet(a, base, kBase, 5);
    a.Drawer({75, 130, 89, 114});
  });
  b.Add(1042, [base](Art& a) {
    Cabinet(a, base, kBase, 5);
    a.Drawer({75, 130, 89, 96});
    a.Drawer({75, 130, 97, 114});
  });
  b.Add(1043, [base](Art& a) {
    Cabinet(a, base, kBase, 5);
    a.Drawer({75, 130, 89, 96});
    a.Drawer({75, 130, 97, 105});
    a.Drawer({75, 130, 106, 114});
  });
  return b.Done();
}

// --- RX13 and RX14 -----------------------------------------------------------

// The body both families share, at (83, 31); exitY is the row of the slot
// that the plain exit tray comes out of.
void TallBody(Art& a, int exitY) {
  Cabinet(a, {83, 162, 31, 121}, kBody, 5);
  ControlPanel(a, {118, 144, 35, 43});
  a.Fill({84, 86, exitY, exitY + 10}, kCavity);
  a.Box({147, 161, 36, 55}, kPanel);
  a.HLine(149, 159, 41, kHandle);
  a.Drawer({83, 146, 64, 72});
  a.Drawer({83, 146, 73, 81});
  a.HLine(84, 161, 85, kBody.dark);
  a.Drawer({83, 118, 90, 115});
  a.Drawer({119, 158, 90, 114});
  a.Vents({149, 159, 64, 82}, kBody.dark);
}

void TallBodyMarks(Builder& b) {
  b.Add(1020, 147, 36, [](Art& a) {
    MarkBox(a, {147, 161, 36, 55});
    a.HLine(149, 159, 41, kHighlightOutline);
  });
  const std::pair<int, int> drawerMarks[] = {{1021, 64}, {1022, 73}};
  for (auto [id, y0] : drawerMarks) {
    b.Add(static_cast<WORD>(id), 71, y0, [y0 = y0](Art& a) {
      a.Pointer({71, 82, y0 + 1, y0 + 8}, Dir::kRight);
      MarkDrawer(a, {83, 146, y0, y0 + 9});
    });
  }
  b.Add(1023, 119, 90, [](Art& a) { MarkDrawer(a, {119, 158, 90, 114}); });
  b.Add(1024, 71, 90, [](Art& a) {
    a.Pointer({71, 82, 94, 111}, Dir::kRight);
    MarkDrawer(a, {83, 119, 90, 115});
  });
  b.Add(1051, 147, 62, [](Art& a) { LargeCapacityTray(a, {147, 177, 62, 120}); });
  b.Add(1025, 147, 62, [](Art& a) {
    MarkLargeCapacityTray(a, {147, 177, 62, 120});
    a.Pointer({178, 188, 82, 100}, Dir::kLeft);
  });
}

// A finisher standing left of the body, its top tray and side bins.
void SideFinisher(Art& a, Rect r, int bins) {
  FinisherTower(a, r, 5);
  const int w = r.x1 - r.x0;
  a.Tray({r.x0 + 2, r.x0 + w / 2, r.y0, r.y0 + 5});
  for (int i = 0; i < bins; ++i) {
    const int y = r.y0 + 14 + i * 12;
    a.Tray({r.x0, r.x0 + w / 3, y, y + 6});
  }
  a.Vents({r.x0 + w / 2, r.x1 - 5, r.y1 - 30, r.y1 - 12}, kFinisher.dark);
}

std::map<WORD, QImage> DrawRX13() {
  Builder b("RX13");
  b.Add(1000, 83, 31, [](Art& a) { TallBody(a, 53); });
  b.Add(1002, 68, 21, [](Art& a) { Scanner(a, {68, 142, 21, 31}, 8); });
  b.Add(1010, 51, 53, [](Art& a) { a.Tray({51, 82, 53, 64}); });
  b.Add(1011, 27, 37, [](Art& a) { SideFinisher(a, {27, 82, 37, 120}, 2); });
  b.Add(1012, 10, 29, [](Art& a) { SideFinisher(a, {10, 82, 29, 120}, 3); });
  TallBodyMarks(b);
  return b.Done();
}

std::map<WORD, QImage> DrawRX14() {
  Builder b("RX14");
  b.Add(1000, 83, 31, [](Art& a) { TallBody(a, 63); });
  b.Add(1002, 88, 19, [](Art& a) { Scanner(a, {88, 141, 19, 31}, 6); });
  b.Add(1010, 51, 63, [](Art& a) { a.Tray({51, 82, 63, 74}); });
  b.Add(1011, 10, 29, [](Art& a) { SideFinisher(a, {10, 82, 29, 120}, 3); });
  b.Add(1012, 10, 22, [](Art& a) { SideFinisher(a, {10, 82, 22, 120}, 4); });
  b.Add(1060, 74, 36, [](Art& a) {
    a.Box({74, 82, 36, 115}, kFinisher);
    a.Vents({76, 80, 50, 100}, kFinisher.dark);
  });
  b.Add(1062, 20, 78, [](Art& a) {
    Cabinet(a, {20, 40, 78, 120}, kFinisher, 4);
    a.Tray({22, 38, 84, 92});
  });
  TallBodyMarks(b);
  return b.Done();
}

// --- RX15 and RX17 -----------------------------------------------------------

// The wide body at (75, 41), drawers given by their rows.
void WideBody(Art& a, int right, int drawerLeft, std::initializer_list<std::pair<int, int>> drawers,
              int bypassLeft) {
  Cabinet(a, {75, right, 41, 122}, kBody, 5);
  ControlPanel(a, {100, 136, 45, 53});
  a.Fill({76, 78, 62, 72}, kCavity);
  a.Box({bypassLeft, right, 45, 65}, kPanel);
  a.HLine(bypassLeft + 3, right - 3, 51, kHandle);
  a.HLine(76, right - 1, 76, kBody.dark);
  for (auto [y0, y1] : drawers) a.Drawer({drawerLeft, 143, y0, y1});
  a.Vents({147, right - 4, 72, 112}, kBody.dark);
}

void WideBodyMarks(Builder& b, int bypassLeft, int bypassRight, int drawerLeft,
                   std::initializer_list<std::tuple<int, int, int>> drawers, int lctLeft) {
  b.Add(1020, bypassLeft, 45, [=](Art& a) {
    MarkBox(a, {bypassLeft, bypassRight, 45, 65});
    a.HLine(bypassLeft + 3, bypassRight - 3, 51, kHighlightOutline);
  });
  for (auto [id, y0, y1] : drawers) {
    b.Add(static_cast<WORD>(id), drawerLeft, y0,
          [=, y0 = y0, y1 = y1](Art& a) { MarkDrawer(a, {drawerLeft, 143, y0, y1}); });
  }
  b.Add(1051, lctLeft, 68, [=](Art& a) { LargeCapacityTray(a, {lctLeft, lctLeft + 36, 68, 122}); });
  b.Add(1052, lctLeft, 68, [=](Art& a) { LargeCapacityTray(a, {lctLeft, lctLeft + 42, 68, 122}); });
  b.Add(1024, lctLeft, 68, [=](Art& a) { MarkLargeCapacityTray(a, {lctLeft, lctLeft + 36, 68, 122}); });
  b.Add(1025, lctLeft, 68, [=](Art& a) { MarkLargeCapacityTray(a, {lctLeft, lctLeft + 42, 68, 122}); });
}

std::map<WORD, QImage> DrawRX15() {
  Builder b("RX15");
  b.Add(1000, 75, 41, [](Art& a) { WideBody(a, 169, 81, {{81, 89}, {90, 99}, {100, 117}}, 148); });
  b.Add(1002, 75, 25, [](Art& a) { Scanner(a, {75, 130, 25, 42}, 6); });
  b.Add(1010, 61, 63, [](Art& a) { a.Tray({61, 74, 63, 71}); });
  b.Add(1011, 2, 32, [](Art& a) { SideFinisher(a, {2, 74, 32, 122}, 2); });
  b.Add(1012, 2, 32, [](Art& a) { SideFinisher(a, {2, 74, 32, 122}, 4); });
  b.Add(1060, 62, 44, [](Art& a) {
    a.Box({62, 74, 44, 117}, kFinisher);
    a.Vents({64, 72, 60, 100}, kFinisher.dark);
  });
  b.Add(1062, 12, 81, [](Art& a) {
    Cabinet(a, {12, 33, 81, 122}, kFinisher, 4);
    a.Tray({14, 31, 87, 95});
  });
  WideBodyMarks(b, 148, 169, 81, {{1021, 81, 90}, {1022, 90, 100}, {1023, 100, 117}}, 144);
  return b.Done();
}

std::map<WORD, QImage> DrawRX17() {
  Builder b("RX17");
  b.Add(1000, 75, 41, [](Art& a) { WideBody(a, 165, 75, {{81, 89}, {90, 98}, {99, 116}}, 144); });
  b.Add(1003, 75, 41, [](Art& a) {
    WideBody(a, 165, 75, {{81, 89}, {90, 98}, {99, 107}, {108, 116}}, 144);
  });
  b.Add(1002, 75, 25, [](Art& a) { Scanner(a, {75, 143, 25, 42}, 8); });
  b.Add(1010, 61, 63, [](Art& a) { a.Tray({61, 74, 63, 71}); });
  b.Add(1011, 4, 26, [](Art& a) { SideFinisher(a, {4, 75, 26, 122}, 3); });
  b.Add(1012, 4, 26, [](Art& a) { SideFinisher(a, {4, 75, 26, 122}, 4); });
  b.Add(1060, 62, 44, [](Art& a) {
    a.Box({62, 74, 44, 117}, kFinisher);
    a.Vents({64, 72, 60, 100}, kFinisher.dark);
  });
  b.Add(1062, 14, 81, [](Art& a) {
    Cabinet(a, {14, 35, 81, 122}, kFinisher, 4);
    a.Tray({16, 33, 87, 95});
  });
  WideBodyMarks(b, 144, 165, 75, {{1021, 81, 89}, {1022, 90, 98}, {1023, 99, 116}}, 143);
  return b.Done();
}

}  // namespace

std::map<WORD, QImage> DrawFamily(std::string_view family) {
  if (family == "RX11") return DrawRX11(family, false);
  if (family == "RX16") return DrawRX11(family, true);
  if (family == "RX12") return DrawRX12();
  if (family == "RX13") return DrawRX13();
  if (family == "RX14") return DrawRX14();
  if (family == "RX15") return DrawRX15();
  if (family == "RX17") return DrawRX17();
  throw std::invalid_argument("unknown family");
}

}  // namespace vlm::enginepics::art
