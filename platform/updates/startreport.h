#pragma once

#include <QByteArray>
#include <optional>

// What a program started by an update tells the copy that started it, one byte at a time over a pipe
// it inherits: that its first frame is on screen, that the person quit it, then whether it took over.
namespace quorvale::updates {

enum class StartEvent : char
{
    shown = 's',
    // The person quit the program after its first frame: its windows are gone, and it takes over once
    // its proof is over.
    quitting = 'q',
    // The program's version is current, or a newer one is.
    current = 'c',
    // `current` could not be moved: another program held the installation's lock too long, the disk is
    // full, or the folder cannot be written.
    busy = 'b',
    noSpace = 'n',
    notWritable = 'w'
};

// The pipe named in this program's environment, taken out of it so that no program started later
// inherits it; nothing when the program was not started by an update.
std::optional<int> takeReportChannel();
// The environment variable that names the pipe, for the program about to be started.
const char *reportChannelVariable();
// A report that cannot be written means the copy that started the program has gone: nobody waits for
// it, and the program goes on with its proof alone. SIGPIPE is ignored from main's first line, so the
// write fails instead of ending the program.
void report(int channel, StartEvent event);

// The reading side, in the copy that starts the program. Only the end the program writes is inherited,
// and this copy closes its own once the program is started, so nothing but the program writes to it.
class ReportPipe
{
public:
    ReportPipe();
    ReportPipe(const ReportPipe &) = delete;
    ReportPipe &operator=(const ReportPipe &) = delete;
    ~ReportPipe();

    bool isOpen() const { return m_reading >= 0; }
    // The end to hand to the program.
    int writing() const { return m_writing; }
    void closeWriting();
    // The events that arrived since the last call.
    QByteArray take() const;

private:
    int m_reading = -1;
    int m_writing = -1;
};

} // namespace quorvale::updates
