#pragma once
#include "generate.h"

namespace quorvane {
class gkcj;
}

namespace quorvane::bench {

// The all-subject score book (各科成绩册) of a generated school's whole grade, as a user comes to it:
// the program's fonts, quiet services and report windows set up; an exam seated and scored, with
// totals and subject ranks as the statistics windows would have written them; and the window
// loaded on it with 年级 chosen and every box ticked, its query not run yet. examId: the exam's id.
gkcj *openGradeBook(School &school, QString *examId = nullptr);

} // namespace quorvane::bench
