#include "ratio_report.h"

int main(int argc, char** argv) { return kestavon::bench::runWithRatios(argc, argv, "BareLoop"); }
