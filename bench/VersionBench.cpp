// Reads versions whose one component is a long run of numerals (fullwidth digits, so
// that no value cuts the run short) at a base length and at 8 times that length, in
// the same run, and prints the time ratio (aim: about 8, linear; a reading that is
// quadratic in the run's length gives about 64). Usage: VersionBench [base length]
// (default 2000).

#include "kit/support/Version.h"

#include <QString>
#include <chrono>
#include <cstdio>
#include <cstdlib>

using namespace hub;
using Clock = std::chrono::steady_clock;

namespace {

// Seconds per reading of a version with a run of `length` numerals, the best of a few rounds.
double secondsPerRead(qsizetype length)
{
    const QString text = QStringLiteral("1.") + QString(length, QChar(0xFF11)) + QStringLiteral(".3");
    const int reads = int(std::max<qsizetype>(1, 200'000 / length));
    double best = 1e9;
    for (int round = 0; round < 5; ++round) {
        const auto start = Clock::now();
        qint64 sum = 0;
        for (int i = 0; i < reads; ++i)
            sum += Version(text).numbers().size();
        const double elapsed = std::chrono::duration<double>(Clock::now() - start).count() / reads;
        if (sum != 3LL * reads)
            std::abort();
        best = std::min(best, elapsed);
    }
    return best;
}

} // namespace

int main(int argc, char** argv)
{
    const qsizetype base = argc > 1 ? std::atoll(argv[1]) : 2000;
    const double shortRun = secondsPerRead(base);
    const double longRun = secondsPerRead(base * 8);
    std::printf("numeric run of %lld: %.1f us; of %lld: %.1f us; ratio %.1f (linear: about 8)\n", qlonglong(base),
                shortRun * 1e6, qlonglong(base * 8), longRun * 1e6, longRun / shortRun);
    return 0;
}
