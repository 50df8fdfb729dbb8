#include "rtl/Guard.h"

#include "rtl/Exception.h"

#include <cstdio>
#include <mutex>

namespace scindra {
namespace {

std::mutex reporterMutex;

// Until an application installs its error box, errors go to standard error
// so that nothing is lost silently.
void ReportToStandardError(const std::exception& error)
{
    std::fprintf(stderr, "%s\n", error.what());
}

ErrorReporter& CurrentReporter()
{
    static ErrorReporter reporter = ReportToStandardError;
    return reporter;
}

} // namespace

ErrorReporter SetErrorReporter(ErrorReporter reporter)
{
    std::lock_guard lock(reporterMutex);
    return std::exchange(CurrentReporter(), std::move(reporter));
}

void ReportError(const std::exception& error)
{
    if (dynamic_cast<const EAbort*>(&error))
        return;
    ErrorReporter reporter;
    {
        std::lock_guard lock(reporterMutex);
        reporter = CurrentReporter();
    }
    reporter(error);
}

} // namespace scindra
