#pragma once
#include <QString>
#include <QtGlobal>

namespace quorvane {

// Program-wide variables through which the windows hand each other the chosen cohort, function,
// report and exam. They live for the whole run, start empty or 0, and are never saved.
inline QString gCohortYear;          // the chosen cohort's year (dbsystable.dbyear)
inline QString gCohortDbFile;        // the chosen cohort's database file name, dbname + ".mdb"
inline quint8 gFunctionCode = 0;     // 1..13: the work window the cohort chooser opens
inline qint16 gReportCode = 0;       // the report the print preview lays out
inline qint16 gReportSubjectCount = 0; // number of subjects of the exam being printed
inline QString gChartExamId;         // the exam whose seat charts are shown

inline void resetGlobals()
{
    gCohortYear.clear();
    gCohortDbFile.clear();
    gFunctionCode = 0;
    gReportCode = 0;
    gReportSubjectCount = 0;
    gChartExamId.clear();
}

} // namespace quorvane
