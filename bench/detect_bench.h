#pragma once

// The figures of sprite detection and grid guessing, printed after the table.
void printDetectFigures();
