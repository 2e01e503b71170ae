// Writes the default sound library: one seamless 60 s loop per style, as
// "<style>.mp3" in the given folder, and the mixes of them as "<mix>.mix".
//
//   noisegen [--jobs N] <folder> [style or mix...]     (none: all of them)
//   noisegen --list

#include "Mp3Loop.h"
#include "Styles.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using namespace noisegen;

namespace
{

// A build stopped half-way must not leave a truncated file that looks new,
// nor a stray file the program would list as a style: files are written in
// a sub-folder (the program lists none) and moved into place when complete.
void writeAtomically(const fs::path& partFolder, const fs::path& path,
                     const std::vector<std::uint8_t>& bytes)
{
    const fs::path part = partFolder / path.filename();
    std::ofstream out(part, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    out.close();
    if (!out) {
        std::error_code ignored;
        fs::remove(part, ignored);
        throw std::runtime_error("cannot write " + part.string());
    }
    fs::rename(part, path);
}

int usage()
{
    std::fprintf(stderr, "usage: noisegen [--jobs N] <folder> [style or mix...]\n"
                         "       noisegen --list\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    unsigned jobs = 2;
    if (args.size() == 1 && args[0] == "--list") {
        for (const Style& style : defaultStyles())
            std::printf("%.*s\n", int(style.name.size()), style.name.data());
        return 0;
    }
    if (args.size() >= 2 && args[0] == "--jobs") {
        jobs = unsigned(std::max(1, std::atoi(args[1].c_str())));
        args.erase(args.begin(), args.begin() + 2);
    }
    if (args.empty())
        return usage();

    const fs::path folder = args[0];
    std::vector<const Style*> chosen;
    std::vector<const Mix*> mixes;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const Style* style = findStyle(args[i]);
        if (const Mix* mix = findMix(args[i])) {
            mixes.push_back(mix);
            continue;
        }
        if (!style) {
            std::fprintf(stderr, "noisegen: unknown style \"%s\"\n", args[i].c_str());
            return 2;
        }
        chosen.push_back(style);
    }
    if (chosen.empty() && mixes.empty()) {
        for (const Style& style : defaultStyles())
            chosen.push_back(&style);
        for (const Mix& mix : defaultMixes())
            mixes.push_back(&mix);
    }

    const fs::path partFolder = folder / "partial";
    std::error_code error;
    fs::create_directories(partFolder, error);
    if (error) {
        std::fprintf(stderr, "noisegen: cannot create %s: %s\n", folder.c_str(),
                     error.message().c_str());
        return 1;
    }

    for (const Mix* mix : mixes) {
        const std::string text = mixText(*mix);
        try {
            writeAtomically(partFolder, folder / (std::string(mix->name) + ".mix"),
                            std::vector<std::uint8_t>(text.begin(), text.end()));
        } catch (const std::exception& e) {
            std::fprintf(stderr, "noisegen: %s\n", e.what());
            return 1;
        }
    }

    std::atomic<std::size_t> nextStyle{0};
    std::atomic<bool> failed{false};
    std::mutex printing;
    auto work = [&] {
        for (std::size_t i; (i = nextStyle++) < chosen.size() && !failed;) {
            const Style& style = *chosen[i];
            const std::string name(style.name);
            try {
                const Loop loop = renderStyle(style);
                const auto mp3 = encodeLoop(loop, kSampleRate);
                writeAtomically(partFolder, folder / (name + ".mp3"), mp3);
                std::lock_guard lock(printing);
                std::printf("noisegen: %-12s %7.2f dBFS rms, %6.2f dBFS peak, %zu bytes\n",
                            name.c_str(), rmsDb(loop), peakDb(loop), mp3.size());
            } catch (const std::exception& e) {
                failed = true;
                std::lock_guard lock(printing);
                std::fprintf(stderr, "noisegen: %s: %s\n", name.c_str(), e.what());
            }
        }
    };
    std::vector<std::thread> threads;
    for (unsigned t = 1; t < std::min<std::size_t>(jobs, chosen.size()); ++t)
        threads.emplace_back(work);
    work();
    for (auto& thread : threads)
        thread.join();
    fs::remove(partFolder, error); // only when empty
    return failed ? 1 : 0;
}
