#include "shell/subjects.h"

namespace quorvane {

namespace {
const char *const kSubjects[kSubjectCount] = {"语文", "数学", "英语", "思想政治", "物理", "化学",
                                              "历史", "地理", "生物", "综合科", "信息技术", "通用技术"};
}

QString subjectName(int number)
{
    return number >= 1 && number <= kSubjectCount ? QString::fromUtf8(kSubjects[number - 1]) : QString();
}

int subjectNumber(const QString &name)
{
    for (int k = 1; k <= kSubjectCount; ++k)
        if (name == QString::fromUtf8(kSubjects[k - 1]))
            return k;
    return 0;
}

} // namespace quorvane
