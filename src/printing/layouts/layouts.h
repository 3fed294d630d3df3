#pragma once
// The layout routines of the reports, one per report code (the report table in printsform.cpp
// says which code runs which). Each lays out a whole document on the preview's print control.

namespace quorvane {

class printsform;

void print_managst(printsform &form, int &dest);   // 4   student list
void print_bjzw(printsform &form, int &dest);      // 31  class seat list
void print_kczw(printsform &form, int &dest);      // 32  exam-room seat list
void print_cjintool(printsform &form, int &dest);  // 41  score-entry sheet

} // namespace quorvane
