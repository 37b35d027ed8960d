// The "Edges Detection" page of the modification window: is to grow a chain of boundary edges
// along triangles from an edge picked on a face, and to add it to the mesh.
//
// The analysis that proposes the chain is switched off: Start Analyse (enabled by a picked edge
// on a face, two entries 200 or two 201, with a typed "New Ref :" or a type) only prints a line,
// so the chain stays empty and Update Mesh disabled. The chain editing ("+", "-" by direction),
// its overlay and the update (ZelEdit.h: the edges added with the type's attribute, "Geometry"
// and "Lines" refreshed or made, the Delete tool's "Edge" row) work on whatever chain there is;
// an Update Mesh with an empty chain (a replayed click) changes nothing. GUI thread only.
#pragma once

#include <QList>
#include <vector>

#include "zelvane/gui/QZelBase.h"
#include "zelvane/tools/ZelEdit.h"

class QGridLayout;
class QHBoxLayout;
class QLabel;
class QZelComboBox;
class QZelGroupBox;
class QZelLineEdit;
class QZelPushButton;
class ZelTool;

class DetectEfr : public QZelBase {
  Q_OBJECT

 public:
  DetectEfr(ZelSequenceServer *server, ZelScene *scene, int id, GLWidget *view, const QList<ZelTool *> &tools,
            QWidget *parent = nullptr);

  // Applies the start rule.
  void zelUpdate() override { isEnabledStartAnalyse(); }
  void connectButton() override;
  // The shown chain as thick lines: the edge reference's colour, red ridges, yellow required.
  void draw() override;
  // The start rule: a New Ref read or a type chosen, and an edge picked on a face; sets the
  // button and answers.
  bool isEnabledStartAnalyse();
  void addZelTool(ZelTool *tool) { tools_.append(tool); }
  // The chains the analysis would fill (it does not exist yet) and the cursors "+" and "-" move.
  void setCandidates(const std::vector<ZelEdgeCandidate> &chain, int left, int right);
  const std::vector<ZelEdgeCandidate> &shownChain() const { return shown_; }

 public slots:
  void setNewRef();
  void startAnalyse();
  void updateMesh();
  void setType(int) { isEnabledStartAnalyse(); }
  void resetWidget();
  void more();
  void less();

 private:
  void updateToolWidget();

  QHBoxLayout *cursors_ = nullptr;
  QZelGroupBox *frame_ = nullptr;
  QGridLayout *grid_ = nullptr;
  QZelPushButton *anaBox_ = nullptr;
  QLabel *refLabel_ = nullptr;
  QZelLineEdit *refEdi_ = nullptr;
  QZelComboBox *typBox_ = nullptr;
  QZelPushButton *updBox_ = nullptr;
  QZelComboBox *dirBox_ = nullptr;
  QZelPushButton *morBox_ = nullptr, *lesBox_ = nullptr;
  QLabel *tolLabel_ = nullptr;
  QZelLineEdit *tolEdi_ = nullptr;
  QZelPushButton *resBox_ = nullptr;
  std::vector<ZelEdgeCandidate> shown_, candidates_;
  int left_ = 0, right_ = 0;
  bool parsed_ = false;
  int newRef_ = 0;
  int edgeRef_ = -1;
  QList<ZelTool *> tools_;
};
