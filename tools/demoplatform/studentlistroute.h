#pragma once

#include "tools/demoplatform/demoplatform.h"
#include "tools/demoplatform/school/platformanswers.h"

#include <memory>

namespace quorvale::demo {

// The path of the platform's student-list page.
inline constexpr char studentListPath[] = "/v2/basic/Student/MyList";

// Serves the platform's student-list page over a data set: every student of the school, a page at a
// time, in the data set's order, each as the page's field list. Signed-in sessions only.
void serveStudentList(DemoPlatform &platform, std::shared_ptr<const PlatformAnswers> answers);

} // namespace quorvale::demo
