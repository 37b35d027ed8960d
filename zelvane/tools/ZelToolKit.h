// What the five editing tools of the modification window share: the warning box, reading the
// pick history, the frame every tool's widgets sit in, and the refresh of sibling pages in the
// main window's tool windows after an edit.
//
// The tools themselves: AddVerTyp (vertex marks), DetectEfr (edge detection), ChgRefBox with
// ChgRefGroup (reference changes), DelBox with DelGroup (deletion), TopoBox (edge swap). Their
// mesh edits live in ZelEdit.h. GUI thread only.
#pragma once

#include <QList>
#include <QString>
#include <functional>
#include <initializer_list>

class QGridLayout;
class QLineEdit;
class QWidget;
class QZelBase;
class QZelGroupBox;
class ZelSequenceServer;
class ZelTool;
struct GeoStackItem;
typedef struct Zel_Scene ZelScene;

// The tools' warning: the program's message box (ZelMessage), warning icon, plain text.
void zelToolWarning(const QString &text);

// The end of a tool's constructor: without a scene the line " ##### WARNING IN CONSTRUCTEUR
// MODBOX :  NO SCENE %p \n" on standard error and nothing connected, else connectButton().
void zelConnectTool(QZelBase *tool);
// Repaints the tool's view (the scene's when the tool has none).
void zelToolRepaint(const QZelBase *tool);

// Writes a field's text as a read-back, not a user's action: the recordable field's signals are
// held, so a refresh or a reset puts nothing into a recorded sequence.
void zelToolText(QLineEdit *field, const QString &text);

// The latest pick, or null when the history is empty (or the scene has none).
const GeoStackItem *zelPickTop(const ZelScene *scene);
// The pick below the latest, or null.
const GeoStackItem *zelPickBelow(const ZelScene *scene);
// Whether the tools take a picked kind to the display-record lookup: the element kinds with
// records (vertices, edges, faces, volumes, linear and curved) and the edge kinds 199, 200, 201,
// which have none. Normals at vertices (20), clip planes (203) and unknown codes are left alone.
bool zelToolPickKind(int kind);

// The frame of a tool: a recordable group box `name` without title holding a grid (no margins,
// spacing 2), finished w x h with the tools' font, in the panel's row layout. Returns the grid.
QGridLayout *zelToolFrame(QWidget *panel, const QString &name, ZelSequenceServer *server, int w, int h,
                          QZelGroupBox **frame);

// Calls f on every window of the list whose title holds `part`, ignoring case.
void zelForToolWindows(const QList<ZelTool *> &tools, const char *part, const std::function<void(ZelTool *)> &f);
// How many of the titled pages a window holds.
int zelCountPages(const ZelTool *tool, std::initializer_list<const char *> titles);
// Refreshes the window's page titled `title`; when it has none and make is given, the page make
// builds is inserted closed at `index` under that title, then refreshed.
void zelRefreshPage(ZelTool *tool, const char *title, const std::function<QZelBase *()> &make = nullptr,
                    int index = 0);
