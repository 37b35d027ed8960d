// The bottom bar: its widgets, combos and the input line's forms.
#include "zelvane/gui/ZelBottom.h"

#include <QDir>
#include <QHBoxLayout>
#include <QRegularExpression>
#include <cstdio>
#include <cstdlib>

#include "common/load/FileNames.h"
#include "common/model/ElementKind.h"
#include "common/model/Geometry.h"
#include "common/model/Mesh.h"
#include "zelvane/gui/Window.h"
#include "zelvane/gui/ZelDialogs.h"
#include "zelvane/gui/ZelMessage.h"
#include "zelvane/gui/ZelPageMakers.h"
#include "zelvane/record/QZelComboBox.h"
#include "zelvane/record/QZelLineEdit.h"
#include "zelvane/record/QZelPushButton.h"
#include "zelvane/scene/ZelCamera.h"
#include "zelvane/scene/ZelDisplayList.h"
#include "zelvane/scene/ZelHooks.h"
#include "zelvane/scene/ZelKinds.h"
#include "zelvane/scene/ZelPath.h"
#include "zelvane/scene/ZelPick.h"
#include "zelvane/scene/ZelSavedState.h"
#include "zelvane/scene/ZelScene.h"
#include "zelvane/scene/ZelStack.h"
#include "zelvane/scene/ZelVisibility.h"

namespace {

// The pick kinds a mesh offers: item text, item data, kind code and when it is listed.
struct PickRow {
  const char *text;
  int data;
  int kind;
  bool (*present)(const Geometric_Mesh *m);
};
const PickRow PickRows[] = {
    {"Vertex", 0, KmfVertices, [](const Geometric_Mesh *m) { return m->NbrVer > 0; }},
    {"Edge", 1, KmfEdges, [](const Geometric_Mesh *m) { return m->NbrEfr > 0; }},
    {"Edge P2", 2, KmfEdgesP2, [](const Geometric_Mesh *m) { return m->NbrP2Efr > 0; }},
    // Linear triangles also stand for split quadrilaterals and the faces of curved ones.
    {"Triangle", 3, KmfTriangles,
     [](const Geometric_Mesh *m) { return m->NbrTri - 2 * m->NbrQua - m->NbrP2Tri != m->NbrP2Qua; }},
    {"Triangle P2", 4, KmfTrianglesP2, [](const Geometric_Mesh *m) { return m->NbrP2Tri > 0; }},
    {"Quadrilateral", 5, KmfQuadrilaterals, [](const Geometric_Mesh *m) { return m->NbrQua > 0; }},
    {"Quadrilateral P2", 6, KmfQuadrilateralsQ2, [](const Geometric_Mesh *m) { return m->NbrP2Qua > 0; }},
    {"Tetrahedron", 7, KmfTetrahedra,
     [](const Geometric_Mesh *m) {
       return m->NbrTet - m->NbrP2Tet - 2 * m->NbrPyr - 3 * m->NbrPri - 2 * m->NbrHex != 2 * m->NbrP2Hex;
     }},
    {"Tetrahedron P2", 8, KmfTetrahedraP2, [](const Geometric_Mesh *m) { return m->NbrP2Tet > 0; }},
    {"Pyramid", 9, KmfPyramids, [](const Geometric_Mesh *m) { return m->NbrPyr > 0; }},
    {"Prism", 10, KmfPrisms, [](const Geometric_Mesh *m) { return m->NbrPri > 0; }},
    {"Hexahedron", 11, KmfHexahedra, [](const Geometric_Mesh *m) { return m->NbrHex > 0; }},
    {"Hexahedron P2", 12, KmfHexahedraQ2, [](const Geometric_Mesh *m) { return m->NbrP2Hex > 0; }},
};
const int FromFileData = 13;
const int NewRefKind = -1;  // pick kind of the "New Ref" mode: no element kind

// The input forms, anchored: n comma-separated numbers, and a point of three decimals.
bool matches(const QString &text, const char *pattern) {
  return QRegularExpression(QRegularExpression::anchoredPattern(pattern)).match(text).hasMatch();
}
const char *const NumberForm[9] = {
    nullptr,
    "\\d*",
    "\\d*\\,\\d*",
    "\\d*\\,\\d*\\,\\d*",
    "\\d*\\,\\d*\\,\\d*\\,\\d*",
    "\\d*\\,\\d*\\,\\d*\\,\\d*\\,\\d*",
    "\\d*\\,\\d*\\,\\d*\\,\\d*\\,\\d*\\,\\d*",
    nullptr,
    "\\d*\\,\\d*\\,\\d*\\,\\d*\\,\\d*\\,\\d*\\,\\d*\\,\\d*",
};
const char *const PointForm = "\\d*\\.\\d*\\,\\d*\\.\\d*\\,\\d*\\.\\d*";

// Numbers of vertices that name an element of each kind in the second form.
int vertexCount(int kind) {
  switch (kind) {
    case KmfVertices: return 0;  // the second form is a path point
    case KmfEdges: case KmfEdgesP2: return 2;
    case KmfTriangles: case KmfTrianglesP2: return 3;
    case KmfQuadrilaterals: case KmfTetrahedra: case KmfQuadrilateralsQ2: case KmfTetrahedraP2: return 4;
    case KmfPyramids: return 5;
    case KmfPrisms: return 6;
    case KmfHexahedra: case KmfHexahedraQ2: return 8;
  }
  return -1;
}

void warn(const QString &text) { ZelMessage(text, QMessageBox::Warning, Qt::PlainText); }

const char *const ButtonStyle =
    "QPushButton { border-radius: 6px; background-color: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1, "
    "stop: 0 #f6f7fa, stop: 1 #dadbde); border-image: url(:/images/PLUS.png) 3 10 3 10; }"
    "QPushButton:pressed { background-color: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1, "
    "stop: 0 #dadbde, stop: 1 #f6f7fa); border-image: url(:/images/plus2.png) 3 10 3 10; }";

}  // namespace

ZelBottom::ZelBottom(ZelSequenceServer *server, int index, QWidget *parent) : QZelBase(nullptr, server, index) {
  setParent(parent);
  setObjectName(QString("Bottom Widget %1").arg(index));
  path_ = zelIniPath();
  layout_ = new QHBoxLayout;
  layout_->setSizeConstraint(QLayout::SetMaximumSize);
  layout_->setSpacing(1);
  layout_->setContentsMargins(0, 0, 0, 0);

  stateCombo_ = new QZelComboBox(QString("State_%1").arg(index), server, this);
  stateCombo_->setFixedSize(125, 20);
  stateCombo_->setEditable(false);
  stateCombo_->addItem("Initial State", -1);
  stateButton_ = new QZelPushButton(QString("_%1_pushState").arg(index), server, QString(), this);
  stateButton_->setFixedSize(8, 8);
  stateButton_->setStyleSheet(ButtonStyle);
  viewCombo_ = new QZelComboBox(QString("View_%1").arg(index), server, this);
  viewCombo_->setFixedSize(125, 20);
  viewCombo_->setEditable(false);
  viewCombo_->addItem("Initial View", -1);
  viewButton_ = new QZelPushButton(QString("_%1_pushView").arg(index), server, QString(), this);
  viewButton_->setFixedSize(8, 8);
  viewButton_->setStyleSheet(ButtonStyle);
  solCombo_ = new QZelComboBox(QString("Sol_%1").arg(index), server, this);
  solCombo_->setFixedSize(125, 20);
  pickCombo_ = new QZelComboBox(QString("Pick_%1").arg(index), server, this);
  pickCombo_->setFixedSize(150, 20);
  pickCombo_->addItem("None", -1);
  input_ = new QZelLineEdit(QString("Input_%1").arg(index), server, this);
  input_->setFixedSize(75, 15);

  for (QWidget *w : std::initializer_list<QWidget *>{stateCombo_, stateButton_, viewCombo_, viewButton_, solCombo_,
                                                     pickCombo_, input_})
    layout_->addWidget(w, 1);
  setLayout(layout_);
  connectButton();
}

ZelBottom::~ZelBottom() {
  delete layout_;
  delete stateCombo_;
  delete stateButton_;
  delete viewCombo_;
  delete viewButton_;
  delete solCombo_;
  delete pickCombo_;
  delete input_;
  // Once linked, the typed path is the scene's, freed with it.
  if (newPath_) zelFreePath(path_);
}

// The bar's connections, made or broken together.
template <class Op>
static void wire(ZelBottom *bar, QZelComboBox *sol, QZelComboBox *state, QZelComboBox *view, QZelComboBox *pick,
                 QZelLineEdit *input, QZelPushButton *stateButton, QZelPushButton *viewButton, Op op) {
  const auto activated = QOverload<int>::of(&QComboBox::activated);
  op(sol, activated, bar, &ZelBottom::setSolution);
  op(state, activated, bar, &ZelBottom::setState);
  op(view, activated, bar, &ZelBottom::setView);
  op(pick, activated, bar, &ZelBottom::setPicking);
  op(input, &QLineEdit::returnPressed, bar, &ZelBottom::validRegExp);
  op(stateButton, &QPushButton::clicked, bar, &ZelBottom::saveCurState);
  op(viewButton, &QPushButton::clicked, bar, &ZelBottom::saveCurView);
}

void ZelBottom::connectButton() {
  wire(this, solCombo_, stateCombo_, viewCombo_, pickCombo_, input_, stateButton_, viewButton_,
       [](auto *from, auto signal, ZelBottom *to, auto slot) { QObject::connect(from, signal, to, slot); });
}

void ZelBottom::disconnectButton() {
  wire(this, solCombo_, stateCombo_, viewCombo_, pickCombo_, input_, stateButton_, viewButton_,
       [](auto *from, auto signal, ZelBottom *to, auto slot) { QObject::disconnect(from, signal, to, slot); });
}

int ZelBottom::pickKindOf(int data) {
  for (const PickRow &row : PickRows)
    if (row.data == data) return row.kind;
  if (data == FromFileData) return KmfNormalAtVertices;
  if (data == ZelPickNewRef) return NewRefKind;
  return 0;
}

// ---- filling

void ZelBottom::setSceneAndBoxes(ZelScene *scn) {
  // A typed path linked into another scene went (or goes) with that scene: points typed for
  // this one start a path of their own.
  if (scn != scene && !newPath_) {
    path_ = zelIniPath();
    newPath_ = 1;
  }
  scene = scn;
  Geometric_Mesh *mesh = scn ? scn->Msh : nullptr;
  Geometric_Solution *sol = nullptr;
  if (mesh)
    for (Geometric_Solution *s : {mesh->SolAtVer, mesh->SolAtTet, mesh->SolAtPri, mesh->SolAtPyr, mesh->SolAtHex,
                                  mesh->SolAtQua, mesh->SolAtTri})
      if (s) {
        sol = s;
        break;
      }
  setPickBox(mesh);
  setSolBox(sol);
}

void ZelBottom::setPickBox(Geometric_Mesh *mesh) {
  if (mesh)
    for (const PickRow &row : PickRows)
      if (row.present(mesh)) pickCombo_->addItem(row.text, row.data);
  pickCombo_->addItem("From File", FromFileData);
  pickCombo_->addItem("New Ref", ZelPickNewRef);
}

void ZelBottom::setSolBox(const Geometric_Solution *sol) {
  solCombo_->clear();
  solCombo_->addItem("0 NoSolution", -1);
  if (!sol) return;
  for (int i = 0; i < sol->NbrFld; i++) {
    const int type = sol->SizFld[i];
    QString text;
    if (type == SOL_SCALAR && sol->FileType == 1 && sol->FldNam)
      text = QString::fromUtf8(sol->FldNam[i]);
    else if (type >= SOL_SCALAR && type <= SOL_MATRIX) {
      static const char *const Names[] = {"%1 Scalar ", "%1 Vector ", "%1 Tensor ", "%1 Matrix "};
      text = QString(Names[type - 1]).arg(i + 1);
    } else
      text = "Unknown Solution Type";
    solCombo_->addItem(text, i);
  }
}

void ZelBottom::zelUpdate() {
  if (!scene) return;
  if (solCombo_->currentIndex() != scene->ActFld + 1) solCombo_->setCurrentIndex(scene->ActFld + 1);
}

void ZelBottom::addNewView(int n) { viewCombo_->addItem(QString("View %1").arg(n), n - 1); }
void ZelBottom::addNewState(int n) { stateCombo_->addItem(QString("State %1").arg(n), n - 1); }

void ZelBottom::remLastState() {
  if (stateCombo_->count() > 1) stateCombo_->removeItem(stateCombo_->count() - 1);
}

void ZelBottom::removeStates() {
  while (stateCombo_->count() > 1) stateCombo_->removeItem(stateCombo_->count() - 1);
}

void ZelBottom::resetBottom() {
  disconnectButton();
  input_->clear();
  solCombo_->clear();
  for (QZelComboBox *combo : {pickCombo_, viewCombo_, stateCombo_})
    while (combo->count() > 1) combo->removeItem(combo->count() - 1);
}

void ZelBottom::clearWidget() {
  layout_ = nullptr;
  stateCombo_ = viewCombo_ = solCombo_ = pickCombo_ = nullptr;
  stateButton_ = viewButton_ = nullptr;
  input_ = nullptr;
  pickKind_ = 0;
  // A linked path is the scene's: the bar lets go of it rather than free it later.
  if (!newPath_) path_ = nullptr;
  newPath_ = 1;
}

// ---- combos and buttons

void ZelBottom::setSolution(int index) {
  if (auto *win = qobject_cast<Window *>(parentWidget())) win->setSolution(index - 1);
}

void ZelBottom::setState(int index) {
  if (!scene || !scene->Msh) return;
  setSavedState(scene, index);
  updateGlScene(scene);
}

void ZelBottom::setView(int index) {
  if (!scene) return;
  setSavedView(scene, viewCombo_->itemData(index).toInt());
  updateGlScene(scene);
}

void ZelBottom::saveCurView() {
  if (!scene) return;
  if (int n = zelSaveView(scene); n > 0) addNewView(n);
}

void ZelBottom::saveCurState() {
  printf(" Not Yet Implemented\n");
  fflush(stdout);
}

void ZelBottom::setPicking(int index) {
  if (!scene) return;
  input_->clear();
  const int data = pickCombo_->itemData(index).toInt();
  pickKind_ = pickKindOf(data);
  printf("type[%d] %s\n", data, pickKind_ == NewRefKind ? "New Ref" : zelGetTypeName(pickKind_));
  fflush(stdout);
  if (data == FromFileData) {
    const QString name = zelDialogs().openFileName(window(), "Select one file to open", QDir::currentPath(),
                                                   "Text (*.path)");
    scene->Flags |= ZelFlgPaths;
    const QByteArray file = name.toLocal8Bit();
    if (ZelPath *path = zelAddPath(file.constData())) {
      pterm(scene->Win, " path: %d vertices loaded   ", int(path->NbrVer));
      zelLinkPath(scene, path);
    } else {
      ptermText(scene->Win, " path: failed to open %s   ", ShownName(file.constData()).c_str());
    }
  }
  if (scene->Pck) scene->Pck->Top = -1;
  zelUpdateAllDisplayLists(1, scene);
  updateGlScene(scene);
}

// ---- the input line

void ZelBottom::returnFocus() { window()->setFocus(Qt::OtherFocusReason); }

void ZelBottom::validRegExp() {
  const QString text = input_->text();
  if (pickKind_ == NewRefKind) {
    newRef();
    returnFocus();
    return;
  }
  const int n = vertexCount(pickKind_);
  if (n < 0 || !scene) {
    warn(QString("Big Problem\nUnknown type %1 in fonction validregExp (class ZelBottom)")
             .arg(zelGetTypeName(pickKind_)));
  } else if (matches(text, NumberForm[1])) {
    findElemFromNum();
  } else if (n == 0 && matches(text, PointForm)) {
    addPathPoint(text);
  } else if (n == 2 && matches(text, NumberForm[2])) {
    findElemFromVer();
  } else if (n > 2 && matches(text, NumberForm[n])) {
    warn(QString("Function Find %1 with %2 Vertices Not Implemented").arg(zelGetTypeName(pickKind_)).arg(n));
  } else {
    warn("Bad Expression in Input Area.");
  }
  returnFocus();
}

void ZelBottom::findElemFromNum() {
  if (!scene || !scene->Msh) return;
  element_ = input_->text().toInt();
  if (!geoCheckBound(scene->Msh, element_, pickKind_)) {
    warn(QString("Out Of Bound\nMax Number of %1 = %2")
             .arg(zelGetTypeName(pickKind_))
             .arg(geoGetSizeType(scene->Msh, pickKind_)));
    return;
  }
  geoPushHybridStack(scene->Pck, element_, pickKind_);
  zelPrintPickTerm(scene, pickKind_, element_, 0, 0);
  if (scene->Flags & ZelFlgMiniMesh) zelInitMiniMesh(scene);
  updateGlScene(scene);
}

void ZelBottom::findElemFromVer() {
  if (!scene || !scene->Msh) return;
  if (scene->Pck) scene->Pck->Top = -1;
  const QStringList parts = input_->text().split(',');
  int ver[2] = {parts.value(0).toInt(), parts.value(1).toInt()};
  // Two numbers that are not both vertices name no edge: nothing goes on the stack, whose
  // readers take its entries of kind 200 for vertex numbers.
  const bool vertices = geoCheckBound(scene->Msh, ver[0], KmfVertices) && geoCheckBound(scene->Msh, ver[1], KmfVertices);
  const bool edge = vertices && zelCheckEntFromVer(scene, pickKind_, 2, ver);
  if (vertices) {
    geoPushHybridStack(scene->Pck, ver[0], KmfFaceEdges);
    geoPushHybridStack(scene->Pck, ver[1], KmfFaceEdges);
    if (scene->Flags & ZelFlgMiniMesh) zelInitMiniMeshFromVer(scene, pickKind_, 2, ver);
  }
  if (edge) {
    pterm(scene->Win, "  Edge %d %d found \n", ver[0], ver[1]);
    updateGlScene(scene);
    return;
  }
  warn(QString("Vertices (%1 %2) do not constitute an Edge ").arg(ver[0]).arg(ver[1]));
}

void ZelBottom::addPathPoint(const QString &text) {
  const QStringList parts = text.split(',');
  const double p[3] = {parts.value(0).toDouble(), parts.value(1).toDouble(), parts.value(2).toDouble()};
  scene->Flags |= ZelFlgPaths;
  if (!path_) path_ = zelIniPath();
  if (path_) zelAddVer(path_, p);
  pterm(scene->Win, " path: %d vertices loaded   ", path_ ? int(path_->NbrVer) : 0);
  if (newPath_ && path_) {
    zelLinkPath(scene, path_);
    newPath_ = 0;
  }
  updateGlScene(scene);
}

void ZelBottom::newRef() {
  int element = 0, kind = 0;
  if (!scene || !geoPopHybridStack(scene->Pck, &element, &kind)) {
    warn("Big Problem\nNo Element in Stack");
    return;
  }
  if (kind != KmfTriangles) {
    warn(QString("Big Problem\nImpossible to Change Ref on %1").arg(zelGetTypeName(kind)));
    return;
  }
  if (auto change = zelPageMakers().chgRefTri) change(scene, element, std::atoi(input_->text().toLatin1().constData()));
}
