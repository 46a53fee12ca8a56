// The tool's exit status: 0 success, 1 a failure or a problem found, 2 wrong usage.
#pragma once

const int kUsageError = 2;
