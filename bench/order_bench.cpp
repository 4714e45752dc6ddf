// Ordering a large exhibit: 1,000,000 photos in about 3,000 folders, in scan-like random order with
// random file times. Each iteration copies the entries and sorts the copy; BM_CopyOnly measures
// the copy alone so it can be subtracted.
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "exhibit.h"
#include "exhibit_order.h"

namespace {

constexpr size_t kEntries = 1000000;

const Exhibit& photos() {
    static const Exhibit exhibit = [] {
        static const wchar_t* const kMonths[] = {L"January", L"February", L"March",     L"April",
                                                 L"May",     L"June",     L"July",      L"August",
                                                 L"September", L"October", L"November", L"December"};
        std::mt19937 random(20240601);
        // 25 years x 12 months x 10 events = 3,000 folders.
        std::vector<std::wstring> folders;
        for (int year = 2000; year < 2025; ++year)
            for (const wchar_t* month : kMonths)
                for (int event = 1; event <= 10; ++event)
                    folders.push_back(L"C:\\Photos\\" + std::to_wstring(year) + L"\\" + month + L" " +
                                      std::to_wstring(event) + L"\\");
        std::vector<std::wstring> paths;
        paths.reserve(kEntries);
        for (size_t i = 0; i < kEntries; ++i) {
            std::wstring path = folders[random() % folders.size()];
            path += (random() % 4 == 0) ? L"img_" : L"IMG_";
            path += std::to_wstring(1000 + random() % 9000);
            path += (random() % 8 == 0) ? L".jpeg" : L".JPG";
            paths.push_back(std::move(path));
        }
        Exhibit result;
        result.entries().reserve(kEntries);
        for (const std::wstring& path : paths) {
            const FileTime created = 125000000000000000ull + (random() % 800000000) * 10000000ull;
            result.append(path, created, created + random() % 1000000000, created + random());
        }
        shuffleRange(result.entries().begin(), result.entries().end(), random);
        return result;
    }();
    return exhibit;
}

void sortBy(benchmark::State& state, int sortby, bool sortcase) {
    const std::vector<ExhibitEntry>& source = photos().entries();
    std::mt19937 engine(1);
    for (auto _ : state) {
        std::vector<ExhibitEntry> entries = source;
        orderEntries(entries, kSortForward, sortby, sortcase, engine);
        benchmark::DoNotOptimize(entries.data());
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(source.size()));
}

void BM_CopyOnly(benchmark::State& state) {
    const std::vector<ExhibitEntry>& source = photos().entries();
    for (auto _ : state) {
        std::vector<ExhibitEntry> entries = source;
        benchmark::DoNotOptimize(entries.data());
    }
}

void BM_Tree(benchmark::State& state) { sortBy(state, kSortTree, false); }
void BM_TreeCase(benchmark::State& state) { sortBy(state, kSortTree, true); }
void BM_TreeStrict(benchmark::State& state) { sortBy(state, kSortTreeStrict, false); }
void BM_TreeStrictCase(benchmark::State& state) { sortBy(state, kSortTreeStrict, true); }
void BM_Name(benchmark::State& state) { sortBy(state, kSortName, false); }
void BM_NameCase(benchmark::State& state) { sortBy(state, kSortName, true); }
void BM_Created(benchmark::State& state) { sortBy(state, kSortCreated, false); }
void BM_Modified(benchmark::State& state) { sortBy(state, kSortModified, false); }
void BM_Accessed(benchmark::State& state) { sortBy(state, kSortAccessed, false); }

void BM_Shuffle(benchmark::State& state) {
    std::vector<ExhibitEntry> entries = photos().entries();
    std::mt19937 engine(1);
    for (auto _ : state) {
        shuffleEntries(entries.data(), entries.data() + entries.size(), engine);
        benchmark::DoNotOptimize(entries.data());
    }
}

}  // namespace

BENCHMARK(BM_CopyOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Tree)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TreeCase)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TreeStrict)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TreeStrictCase)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Name)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NameCase)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Created)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Modified)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Accessed)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Shuffle)->Unit(benchmark::kMillisecond);
