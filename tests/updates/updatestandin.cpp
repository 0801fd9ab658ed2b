// A stand-in for the application in the update tests: started with a file name, it makes its version
// current as the application does once its window is up, writes its version and the file it runs from
// into that file, then ends. It carries a build stamp as the application does.

#include "platform/updates/buildstamp.h"
#include "platform/updates/runningversion.h"

#include <cstdio>
#include <string>
#include <unistd.h>

namespace {

const char buildStamp[] = QUORVALE_BUILD_STAMP_PREFIX STANDIN_VERSION;

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 2)
        return 2;
    char self[4096];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length < 0)
        return 1;
    self[length] = '\0';
    quorvale::updates::RunningVersion(QString::fromLocal8Bit(self)).confirmStarted();
    // Written beside and renamed, so a reader never sees half a report.
    const std::string report = argv[1];
    const std::string partial = report + ".part";
    FILE *file = std::fopen(partial.c_str(), "w");
    if (!file)
        return 1;
    std::fprintf(file, "%s %s\n", quorvale::updates::versionOfStamp(buildStamp), self);
    if (std::fclose(file) != 0 || std::rename(partial.c_str(), report.c_str()) != 0)
        return 1;
    return 0;
}
