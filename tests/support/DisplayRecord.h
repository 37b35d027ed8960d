// Display records for the list-builder tests, made as display-list management makes them:
// kind, reference, chain head, flags 6 (14 for the volume kinds), the render defaults (edges
// with their lines off), the pointer word zeroed and the 14 list ids reserved with glGenLists
// (4 markers, 2 faces, 1 wire, 6 solution, 1 picking). A GL context must be current.
#pragma once

struct ZelEntDisplayList;

void MakeDisplayRecord(ZelEntDisplayList *rec, int kind, int ref, int head);
// Deletes the record's 14 lists.
void FreeDisplayRecord(ZelEntDisplayList *rec);
