#pragma once

// What the picture benchmarks share: the cached set of large photos they show, and the figures
// they measure about their own process.

#include <QString>

#include <vector>

namespace Tonlyra::Bench {

constexpr int PhotoCount = 100;

// Where the photos are kept between runs: $TONLYRA_BENCH_CACHE, by default a folder in the temp
// dir.
QString PhotoCacheDir();
// The i-th photo (0 .. PhotoCount - 1), a 4000 x 3000 JPEG.
QString PhotoPath(int i);
// Makes every photo not yet in the cache, in parallel; returns the seconds it took.
double MakePhotos();

// Peak resident memory of this process so far (VmHWM), in kB; -1 when unknown.
long PeakRssKb();
// CPU time of this process so far (all threads), in milliseconds: a figure that a machine busy
// with other work disturbs less than the wall-clock time.
double CpuMs();
double Median(std::vector<double> values);
// The load average, for reading wall-clock figures.
QByteArray LoadAverage();

// Answers every question the program asks with Cancel, and prints it to stderr: a benchmark
// has no one to answer.
void AnswerQuestionsWithCancel();

// Runs program with "--child mode" (each variant in its own process, so that memory peaks do not
// mix) and returns the numbers of the line "RESULT n1 n2 ..." it prints; empty when none.
std::vector<double> RunChild(const QString& program, const QString& mode);

} // namespace Tonlyra::Bench
