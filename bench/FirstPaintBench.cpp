// First paint of the real program against the reference program, on the X display
// bench/run provides, and the first page painted when a page is opened at start (session
// restore in both slots, an address typed at once): bench/first_paint.py does the
// measuring (interleaved runs, medians) and prints the rows; this program only runs it
// with the programs of this build.
//
//   FirstPaintBench        (RUNS in the environment: runs per program, default 5)

#include <QByteArray>
#include <cstdio>
#include <cstdlib>
#include <string>

int main() {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        std::fprintf(stderr, "FirstPaintBench needs an X display (bench/run starts one)\n");
        return 2;
    }
    const std::string command = std::string("python3 '") + TAVIX_BENCH_SOURCE + "/first_paint.py' --bench --webkit-host '" +
                                TAVIX_WEBKIT_HOST + "' 'Tavix=" +
                                TAVIX_PROGRAM + "' 'ref=" + TAVIX_BENCH_REF + "'";
    const int status = std::system(command.c_str());
    return status == 0 ? 0 : 1;
}
