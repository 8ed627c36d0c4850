// Several threads painting at once, each into its own picture, get the
// pictures one thread gets alone: the device-context table is shared and
// guarded, the painters keep no state.
#include <gtest/gtest.h>

#include <QImage>
#include <thread>
#include <vector>

#include "enginepics/common/families.h"

namespace vlm::enginepics {
namespace {

struct Job {
  const Family* family;
  HINSTANCE bitmaps;
};

QImage PaintOnce(const Job& job, LONG tray) {
  QImage image(job.family->width, job.family->height, QImage::Format_RGB32);
  image.fill(0xFFF0F0F0);
  const HDC dc = CreateImageDC(&image);
  EngineArgs args;
  args.hdcPaint = static_cast<LONG>(static_cast<std::uint32_t>(dc));
  args.Options = static_cast<LONG>(option::kTopUnit | option::kFinisher | option::kLargeCapacityTray |
                                   option::kBaseFourthSource);
  args.FinisherType = "QN-752W";
  args.LCTType = "VR-682";
  args.SelectTray = tray;
  args.SelectBin = 1;
  args.ShowSelection = true;
  PaintEngine(*job.family, job.bitmaps, args);
  DeleteDC(dc);
  return image;
}

TEST(ConcurrentPainting, GivesThePicturesOfSerialPainting) {
  const Job jobs[] = {{&rx11::kFamily, &rx11::kBitmaps}, {&rx12::kFamily, &rx12::kBitmaps},
                      {&rx13::kFamily, &rx13::kBitmaps}, {&rx14::kFamily, &rx14::kBitmaps},
                      {&rx15::kFamily, &rx15::kBitmaps}, {&rx16::kFamily, &rx16::kBitmaps},
                      {&rx17::kFamily, &rx17::kBitmaps}};
  std::vector<QImage> expected;
  for (const Job& j : jobs) expected.push_back(PaintOnce(j, 2));
  const std::size_t before = gdi::LiveObjectsForTests();

  constexpr int kThreads = 4;
  std::vector<int> mismatches(kThreads, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int round = 0; round < 3; ++round) {
        for (std::size_t j = 0; j < std::size(jobs); ++j) {
          if (PaintOnce(jobs[(j + t) % std::size(jobs)], 2) != expected[(j + t) % std::size(jobs)]) {
            ++mismatches[t];
          }
        }
      }
    });
  }
  for (auto& th : threads) th.join();
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ(mismatches[t], 0) << "thread " << t;
  EXPECT_EQ(gdi::LiveObjectsForTests(), before);
}

}  // namespace
}  // namespace vlm::enginepics
