#pragma once
// Workbook reading and writing live in src/workbook; this header keeps the shell's includes.
#include "workbook/celltext.h"
#include "workbook/workbook.h"
#include "workbook/workbookwriter.h"
