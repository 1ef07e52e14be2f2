#include "form/frm_kestavon.h"

#include "form/layout.h"
#include "platform/end.h"
#include "plot/projection.h"
#include "plot/trajectory.h"

namespace kestavon {

// The plot's canvas and the form measure a logical pixel in the same twips.
static_assert(form::kTwipsPerLogicalPixel == static_cast<int>(RasterCanvas::kTwipsPerPixel));

frmKestavon::frmKestavon(ScreenCanvas& plot, const std::optional<OscState>& fixedStart)
    : picGraph(plot), m_fixedStart(fixedStart) {
  Form_Load();
}

void frmKestavon::Draw_Axis() { kestavon::Draw_Axis(picGraph); }

double frmKestavon::fx(double y, double z) const { return kestavon::fx(y, z); }

double frmKestavon::fy(double x, double y) const { return kestavon::fy(x, y); }

double frmKestavon::fz(double x, double z) const { return kestavon::fz(x, z); }

void frmKestavon::cmdCls_Click() { picGraph.Cls(); }

void frmKestavon::cmdExit_Click() { End(); }

void frmKestavon::cmdRun3D_Click() {
  TrajectoryRun(View::Oblique, picGraph, Pi, ViewAngle, m_fixedStart);
}

void frmKestavon::cmdXY_Click() {
  TrajectoryRun(View::XYPlane, picGraph, Pi, ViewAngle, m_fixedStart);
}

void frmKestavon::Form_Load() {
  Pi = kFormLoadPi;
  ViewAngle = kFormLoadViewAngle;
  Draw_Axis();
}

}  // namespace kestavon
