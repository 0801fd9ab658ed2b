#pragma once

#include "tools/demoplatform/demoplatform.h"
#include "tools/demoplatform/school/platformanswers.h"
#include "tools/demoplatform/school/schooldata.h"

#include <memory>

namespace quorvale::demo {

// Serves the platform's timetable endpoints from a data set, to signed-in sessions only, and lets the
// data set's account sign in. Serving another data set replaces the one before. The answers are
// handed back so that callers can read the data set they serve.
std::shared_ptr<const PlatformAnswers> serveSchool(DemoPlatform &platform, SchoolData data);

// The platform's refusal of a request whose session is unknown, expired or not signed in; none for a
// signed-in session.
std::optional<HttpResponse> refuseUnlessSignedIn(DemoPlatform &platform, const HttpRequest &request);

// The platform's answer to one timetable request over a data set, sessions checked; routes that
// tests replace fall back to it.
HttpResponse timetableAnswer(DemoPlatform &platform, const PlatformAnswers &answers,
                             const HttpRequest &request);

// The generated sample school around the platform's current day in Shanghai: the default data set,
// so that a demo started on any day finds a term in effect.
std::shared_ptr<const PlatformAnswers> serveSampleSchool(DemoPlatform &platform);

} // namespace quorvale::demo
