// Hiding and re-showing picked items.
//
// A user hides the element last picked, or the whole display record (reference group) it
// belongs to, and shows them again in the reverse order, through the scene's three stacks:
// the picked stack (ZelScene::Pck), the stack of elements hidden one by one (Del) and the
// stack of hidden display records (Hid). Key commands x, X, s and S call these. A hidden
// element loses the visible bit of its tag word and its record is rebuilt; a hidden record
// gets its hidden flag and is skipped by the main lists each frame, without a rebuild.
//
// Every operation returns 1 when it acted, else 0 with nothing changed beyond what it says.
// A push on a full deleted or hidden-record stack drops the item: it stays hidden and the
// stack cannot show it again. GUI thread only.
#pragma once

typedef struct Zel_Scene ZelScene;

// Pops the top of the picked stack; when it is an element with a tag word (not a normal nor an
// edge picked on a face) in range, clears its visible bit, rebuilds its display record with
// mask 1, pushes it on the deleted stack and, in volume display mode, rebuilds the volume
// lists. A refused entry is popped all the same.
int zelDeletePickedItem(ZelScene *scene);
// Pops the deleted stack, sets the visible bit again and rebuilds the element's record with
// mask 1 (not the volume lists). A refused entry is popped all the same.
int zelReShowDeletedItem(ZelScene *scene);
// Hides the display record of the top of the picked stack, pops it and pushes the record on
// the hidden-record stack; in volume display mode the volume lists are rebuilt. Refused, with
// the picked stack unchanged, when the item is out of range or has no record (a dead element).
int zelDeletePickedRef(ZelScene *scene);
// Pops the hidden-record stack and clears the record's hidden flag; no list is rebuilt.
int zelReShowDeletedRef(ZelScene *scene);
