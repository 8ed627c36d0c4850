// The bitmap catalogue of the seven libraries.
#include "enginepics/art/catalogue.h"

#include <initializer_list>
#include <utility>

namespace vlm::enginepics::art {
namespace {

struct FrameEntry {
  WORD id;
  Extent extent;
};

struct PartEntry {
  WORD id;
  int width;
  int height;
};

void AddArrows(FamilyArt& f) {
  for (WORD id = 2000; id <= 2003; ++id) f.bitmaps.push_back({id, 10, 10, kWhiteKey, {0, 9, 0, 9}});
}

FamilyArt FullFrame(std::string_view name, int width, int height,
                    std::initializer_list<FrameEntry> entries) {
  FamilyArt f{name, true, {}};
  for (const auto& e : entries) f.bitmaps.push_back({e.id, width, height, kFullFrameKey, e.extent});
  AddArrows(f);
  return f;
}

FamilyArt Positioned(std::string_view name, std::initializer_list<PartEntry> entries,
                     bool exitTrayKeyed) {
  FamilyArt f{name, false, {}};
  for (const auto& e : entries) {
    const COLORREF key = exitTrayKeyed && e.id == 1010 ? kExitTrayKey : kWhiteKey;
    f.bitmaps.push_back({e.id, e.width, e.height, key, {0, e.width - 1, 0, e.height - 1}});
  }
  AddArrows(f);
  return f;
}

std::vector<FamilyArt> Build() {
  // Artwork that RX11 and RX16 share.
  const std::initializer_list<FrameEntry> rx11 = {
      {1000, {85, 168, 24, 91}},  {1002, {85, 145, 13, 23}},  {1010, {90, 134, 39, 46}},
      {1011, {85, 135, 32, 52}},  {1012, {57, 134, 21, 59}},  {1013, {57, 134, 21, 59}},
      {1014, {57, 134, 21, 59}},  {1020, {146, 168, 58, 76}}, {1021, {74, 135, 71, 81}},
      {1022, {74, 135, 81, 91}},  {1023, {74, 135, 91, 101}}, {1024, {74, 135, 101, 111}},
      {1030, {78, 134, 37, 46}},  {1031, {46, 77, 20, 37}},   {1032, {46, 77, 27, 44}},
      {1033, {46, 77, 34, 51}},   {1034, {46, 77, 41, 58}},   {1040, {85, 145, 92, 116}},
      {1041, {85, 145, 92, 116}}, {1042, {85, 145, 92, 116}}, {1051, {74, 135, 92, 111}},
      {1070, {85, 107, 35, 43}},  {1071, {85, 109, 44, 52}},
  };
  FamilyArt rx16 = FullFrame("RX16", 175, 127, rx11);
  for (const FrameEntry& e : std::initializer_list<FrameEntry>{{1015, {30, 135, 19, 116}},
                                                               {1025, {145, 173, 91, 116}},
                                                               {1035, {30, 49, 11, 31}},
                                                               {1036, {30, 50, 29, 53}},
                                                               {1052, {145, 173, 80, 116}}}) {
    rx16.bitmaps.push_back({e.id, 175, 127, kFullFrameKey, e.extent});
  }

  std::vector<FamilyArt> all;
  all.push_back(FullFrame("RX11", 175, 127, rx11));
  all.push_back(FullFrame("RX12", 171, 123,
                          {
                              {1000, {75, 131, 33, 84}},  {1002, {75, 128, 20, 32}},
                              {1010, {61, 74, 53, 60}},   {1013, {28, 74, 44, 114}},
                              {1020, {132, 149, 41, 59}}, {1021, {75, 144, 75, 83}},
                              {1022, {75, 144, 89, 96}},  {1023, {75, 144, 97, 105}},
                              {1024, {75, 144, 106, 114}}, {1025, {75, 144, 106, 114}},
                              {1030, {61, 74, 42, 60}},   {1031, {41, 52, 33, 50}},
                              {1032, {28, 49, 52, 77}},   {1033, {28, 49, 81, 106}},
                              {1040, {75, 130, 84, 120}}, {1041, {75, 130, 84, 120}},
                              {1042, {75, 130, 84, 120}}, {1043, {75, 130, 84, 120}},
                              {1051, {75, 144, 89, 114}}, {1052, {75, 144, 97, 114}},
                          }));
  all.push_back(Positioned("RX13",
                           {{1000, 80, 91}, {1002, 75, 11}, {1010, 32, 12}, {1011, 56, 84},
                            {1012, 73, 92}, {1020, 15, 20}, {1021, 76, 10}, {1022, 76, 10},
                            {1023, 40, 25}, {1024, 49, 26}, {1025, 42, 59}, {1051, 31, 59}},
                           true));
  all.push_back(Positioned("RX14",
                           {{1000, 80, 91}, {1002, 54, 13}, {1010, 32, 12}, {1011, 73, 92},
                            {1012, 73, 99}, {1020, 15, 20}, {1021, 76, 10}, {1022, 76, 10},
                            {1023, 40, 25}, {1024, 49, 26}, {1025, 42, 59}, {1051, 31, 59},
                            {1060, 9, 80}, {1062, 21, 43}},
                           true));
  all.push_back(Positioned("RX15",
                           {{1000, 95, 82}, {1002, 56, 18}, {1010, 14, 9}, {1011, 73, 91},
                            {1012, 73, 91}, {1020, 22, 21}, {1021, 63, 10}, {1022, 63, 11},
                            {1023, 63, 18}, {1024, 37, 55}, {1025, 43, 55}, {1051, 37, 55},
                            {1052, 43, 55}, {1060, 13, 74}, {1062, 22, 42}},
                           false));
  all.push_back(std::move(rx16));
  all.push_back(Positioned("RX17",
                           {{1000, 91, 82}, {1003, 91, 82}, {1002, 69, 18}, {1010, 14, 9},
                            {1011, 72, 97}, {1012, 72, 97}, {1020, 22, 21}, {1021, 69, 9},
                            {1022, 69, 9}, {1023, 69, 18}, {1024, 37, 55}, {1025, 43, 55},
                            {1051, 37, 55}, {1052, 43, 55}, {1060, 13, 74}, {1062, 22, 42}},
                           false));
  return all;
}

}  // namespace

const BitmapSpec* FamilyArt::Find(WORD id) const {
  for (const auto& b : bitmaps) {
    if (b.id == id) return &b;
  }
  return nullptr;
}

const std::vector<FamilyArt>& Catalogue() {
  static const std::vector<FamilyArt> catalogue = Build();
  return catalogue;
}

const FamilyArt* FindFamily(std::string_view name) {
  for (const auto& f : Catalogue()) {
    if (f.name == name) return &f;
  }
  return nullptr;
}

}  // namespace vlm::enginepics::art
