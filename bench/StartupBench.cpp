// The start-up benchmark's driver, inside Wine:
//
//   startup_bench <rounds> <bare exe> <timed exe> [source]
//
// Starts the bare window program and the program's timed build (both report
// their own steps, see BareWindow.cpp and StartupWatch.cpp) one after the
// other, alternating which goes first, `rounds` times each; the time of a
// step counts from the moment this driver asked the system for the process.
// Prints, per step, the median over the rounds of its own time (the time of
// the steps inside it taken out) and the medians of the whole start and their
// ratio. With a source, the timed build gets it on its command line and also
// waits for the preview's first frame.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

LONGLONG Now()
{
    LARGE_INTEGER t;
    ::QueryPerformanceCounter(&t);
    return t.QuadPart;
}

double Ms(LONGLONG ticks)
{
    LARGE_INTEGER f;
    ::QueryPerformanceFrequency(&f);
    return static_cast<double>(ticks) * 1000.0 / static_cast<double>(f.QuadPart);
}

// One start: milliseconds of each step's own time, "total" up to the end of
// the first paint, "frame" the wait after it for the preview's first frame.
using Times = std::map<std::string, double>;

// Runs the command line and returns what the program wrote to its standard output.
bool Launch(const std::string& commandLine, LONGLONG& started, std::string& output)
{
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!::CreatePipe(&readEnd, &writeEnd, &sa, 0))
        return false;
    ::SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_SHOWNORMAL;
    si.hStdOutput = writeEnd;
    si.hStdError = writeEnd;
    si.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION pi{};
    std::string line = commandLine;
    started = Now();
    const BOOL ok = ::CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
    ::CloseHandle(writeEnd);
    if (!ok) {
        ::CloseHandle(readEnd);
        return false;
    }
    char buffer[4096];
    DWORD n = 0;
    while (::ReadFile(readEnd, buffer, sizeof buffer, &n, nullptr) && n > 0)
        output.append(buffer, n);
    ::CloseHandle(readEnd);
    if (::WaitForSingleObject(pi.hProcess, 20000) == WAIT_TIMEOUT)
        ::TerminateProcess(pi.hProcess, 1);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    return true;
}

// The own time of each step: spans nest (a span inside another is taken out
// of it); the runtime is from the request for the process to the entry.
bool Parse(const std::string& output, LONGLONG started, Times& times)
{
    struct Open {
        std::string name;
        LONGLONG begin, end;
        double inner;
    };
    std::istringstream in(output);
    std::string name;
    LONGLONG begin = 0, end = 0;
    std::vector<Open> spans;
    while (in >> name >> begin >> end)
        if (name != "frequency")
            spans.push_back(Open{name, begin, end, 0});
    if (spans.empty() || spans.front().name != "main")
        return false;
    times["runtime"] = Ms(spans.front().begin - started);
    LONGLONG lastEnd = spans.front().begin;
    std::vector<Open*> stack;
    for (std::size_t i = 1; i < spans.size(); ++i) {
        Open& s = spans[i];
        if (s.name == "frame") {
            times["frame"] += Ms(s.end - s.begin);
            continue;
        }
        while (!stack.empty() && stack.back()->end <= s.begin)
            stack.pop_back();
        const double whole = Ms(s.end - s.begin);
        if (!stack.empty())
            stack.back()->inner += whole;
        stack.push_back(&s);
        lastEnd = std::max(lastEnd, s.end);
    }
    for (std::size_t i = 1; i < spans.size(); ++i)
        if (spans[i].name != "frame")
            times[spans[i].name] += Ms(spans[i].end - spans[i].begin) - spans[i].inner;
    times["total"] = Ms(lastEnd - started);
    double named = 0;
    for (const auto& [step, ms] : times)
        if (step != "total" && step != "frame")
            named += ms;
    times["other"] = times["total"] - named;
    return true;
}

double Median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

std::string Quoted(const std::string& s)
{
    return "\"" + s + "\"";
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: startup_bench <rounds> <bare exe> <timed exe> [source]\n");
        return 2;
    }
    const int rounds = std::max(1, std::atoi(argv[1]));
    const std::string bare = Quoted(argv[2]);
    std::string timed = Quoted(argv[3]);
    if (argc > 4) {
        timed += ' ';
        timed += Quoted(argv[4]);
    }
    std::map<std::string, std::vector<double>> bareTimes, korvaneTimes;
    auto once = [](const std::string& commandLine, std::map<std::string, std::vector<double>>& into) {
        LONGLONG started = 0;
        std::string output;
        Times times;
        if (!Launch(commandLine, started, output) || !Parse(output, started, times)) {
            std::fprintf(stderr, "startup_bench: no report from %s\n", commandLine.c_str());
            return false;
        }
        for (const auto& [step, ms] : times)
            into[step].push_back(ms);
        return true;
    };
    // A first start of each warms the system's caches for both alike.
    if (!once(bare, bareTimes) || !once(timed, korvaneTimes))
        return 1;
    bareTimes.clear();
    korvaneTimes.clear();
    for (int i = 0; i < rounds; ++i) {
        // Alternating, so that the machine's load weighs on both alike.
        const bool bareFirst = i % 2 == 0;
        if (!once(bareFirst ? bare : timed, bareFirst ? bareTimes : korvaneTimes) ||
            !once(bareFirst ? timed : bare, bareFirst ? korvaneTimes : bareTimes))
            return 1;
    }

    struct Row {
        const char* key;
        const char* label;
    };
    const Row rows[] = {
        {"runtime", "runtime (process start to the entry)"},
        {"controls", "COM and common controls"},
        {"skin", "skin read and pictures"},
        {"forms", "forms created (the rest)"},
        {"profiles", "profiles listed"},
        {"editor", "profile editor filled"},
        {"graph", "media graph ready"},
        {"paint", "first paint"},
        {"other", "other"},
        {"total", "total to the first complete paint"},
    };
    auto cell = [](std::map<std::string, std::vector<double>>& times, const char* key) {
        char text[32];
        const auto it = times.find(key);
        if (it == times.end())
            std::snprintf(text, sizeof text, "%10s", "-");
        else
            std::snprintf(text, sizeof text, "%10.1f", Median(it->second));
        return std::string(text);
    };
    std::printf("start-up, %d rounds each, interleaved; medians in ms of each step's own time\n", rounds);
    std::printf("%-38s %10s %10s\n", "step", "bare", "Korvane");
    for (const Row& r : rows)
        std::printf("%-38s %s %s\n", r.label, cell(bareTimes, r.key).c_str(), cell(korvaneTimes, r.key).c_str());
    const double b = Median(bareTimes["total"]), k = Median(korvaneTimes["total"]);
    std::printf("ratio Korvane / bare (median totals)   %.2f (target at most 1.50)\n", b > 0 ? k / b : 0.0);
    std::vector<double> ratios;
    for (std::size_t i = 0; i < bareTimes["total"].size() && i < korvaneTimes["total"].size(); ++i)
        ratios.push_back(korvaneTimes["total"][i] / bareTimes["total"][i]);
    std::printf("ratio, median of the rounds' ratios    %.2f\n", Median(ratios));
    if (korvaneTimes.count("frame")) {
        // The graph's own time: rendering and starting it, then its wait for the first frame.
        std::vector<double> frame, graph, beyond;
        const auto& total = korvaneTimes["total"];
        const auto& wait = korvaneTimes["frame"];
        const auto& render = korvaneTimes["graph"];
        for (std::size_t i = 0; i < total.size() && i < wait.size() && i < render.size(); ++i) {
            frame.push_back(total[i] + wait[i]);
            graph.push_back(render[i] + wait[i]);
        }
        std::printf("first frame of the source                %10.1f\n", Median(frame));
        std::printf("the graph's own time (render, first frame) %8.1f\n", Median(graph));
        const double budget = b + Median(graph);
        std::printf("first frame / (bare + graph's own time)  %.2f (target at most 1.00)\n",
                    budget > 0 ? Median(frame) / budget : 0.0);
    }
    return 0;
}
