// Display records for the list-builder tests, one by one: zelIniEntDisplayList on a zeroed
// record (kind, reference, chain head, flags 6 or 14, render defaults, 14 list ids). A GL
// context must be current.
#pragma once

struct ZelEntDisplayList;

void MakeDisplayRecord(ZelEntDisplayList *rec, int kind, int ref, int head);
// Deletes the record's 14 lists.
void FreeDisplayRecord(ZelEntDisplayList *rec);
