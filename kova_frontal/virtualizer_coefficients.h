// Coefficients of the virtualizer's filter paths, one column per rate class.
//
// DiffA is a first-order high-pass near 48 Hz, DiffB a low-pass near 200 Hz,
// DiffC a high-pass near 6.5 kHz (the difference path); SurrD a high-pass near
// 13 kHz, SurrE a low-pass near 8 to 9 kHz, SurrF a low-pass near 950 Hz (the
// two surround paths); ElevoLow a low-pass about 11 dB below unity up to
// 100 Hz with a notch near 450 Hz, ElevoHigh a first-order high-pass with its
// corner near 720 Hz and a gain of 2.0 above it (the Elevo centre path).
// First-order sets are (b0, -a1, b1), second-order sets (b0, -a1, b1, -a2, b2).
#pragma once

#include "filter_primitives.h"
#include "rate_class.h"

inline constexpr float kVirtualizerTable[26][kKOVARateClassCount] = {
    //                       32000 Hz          44100 Hz          48000 Hz          88200 Hz          96000 Hz
    /* DiffA b0       */ {    0.995319366f,     0.996599197f,     0.996873856f,     0.998293221f,     0.998431683f},
    /* DiffA -a1      */ {     0.99064064f,     0.993200302f,     0.993749619f,     0.996586442f,     0.996863306f},
    /* DiffA b1       */ {   -0.995319366f,    -0.996599197f,    -0.996873856f,    -0.998293221f,    -0.998431683f},
    /* DiffB b0       */ {   0.0191555023f,    0.0139732361f,    0.0128517151f,   0.00707352208f,   0.00650251843f},
    /* DiffB -a1      */ {    0.961685181f,     0.972049713f,     0.974292755f,     0.985852957f,     0.986994982f},
    /* DiffB b1       */ {   0.0191555023f,    0.0139732361f,    0.0128517151f,   0.00707352208f,   0.00650251843f},
    /* DiffC b0       */ {    0.584716797f,     0.659908295f,     0.678661346f,       0.7970469f,         0.81092f},
    /* DiffC -a1      */ {    0.169433594f,     0.319818497f,       0.3573246f,     0.594093859f,     0.621839941f},
    /* DiffC b1       */ {   -0.584716797f,    -0.659908295f,    -0.678661346f,      -0.7970469f,        -0.81092f},
    /* SurrD b0       */ {    0.233167648f,     0.429765701f,     0.467819214f,     0.667000651f,     0.688186646f},
    /* SurrD -a1      */ {   -0.533660889f,     -0.14046669f,   -0.0643596649f,     0.334001333f,     0.376373351f},
    /* SurrD b1       */ {   -0.233167648f,    -0.429765701f,    -0.467819214f,    -0.667000651f,    -0.688186646f},
    /* SurrE b0       */ {    0.532381058f,     0.421827316f,     0.396615982f,     0.226558834f,     0.211324871f},
    /* SurrE -a1      */ {  -0.0647640228f,      0.15634346f,     0.206764221f,     0.546882331f,     0.577350259f},
    /* SurrE b1       */ {    0.532381058f,     0.421827316f,     0.396615982f,     0.226558834f,     0.211324871f},
    /* SurrF b0       */ {   0.0857219696f,    0.0636177063f,    0.0587387085f,    0.0327425711f,    0.0301607382f},
    /* SurrF -a1      */ {    0.828554153f,      0.87276268f,     0.882518768f,      0.93451488f,      0.93967855f},
    /* SurrF b1       */ {   0.0857219696f,    0.0636177063f,    0.0587387085f,    0.0327425711f,    0.0301607382f},
    /* ElevoLow b0    */ {   0.0227264799f,    0.0348344408f,    0.0228396002f,    0.0352658629f,    0.0352828577f},
    /* ElevoLow -a1   */ {     1.96560204f,      1.97488785f,      1.97707796f,      1.98745477f,      1.98847485f},
    /* ElevoLow b1    */ {  -0.0452759899f,   -0.0695706159f,   -0.0456001051f,   -0.0705065578f,   -0.0705444589f},
    /* ElevoLow -a2   */ {   -0.966234028f,    -0.975242615f,    -0.977361023f,     -0.98754406f,    -0.988550305f},
    /* ElevoLow b2    */ {   0.0227264799f,    0.0348344408f,    0.0228396002f,    0.0352658629f,    0.0352828577f},
    /* ElevoHigh b0   */ {     1.86753404f,      1.90217209f,      1.90977597f,      1.94515848f,      1.94913685f},
    /* ElevoHigh -a1  */ {    0.867533982f,     0.902173996f,     0.909775972f,     0.949777246f,     0.953765035f},
    /* ElevoHigh b1   */ {    -1.86753404f,     -1.90217209f,     -1.90977597f,     -1.94515848f,     -1.94913685f},
};

struct VirtualizerCoefficients {
    FirstOrderCoefficients diffA;
    FirstOrderCoefficients diffB;
    FirstOrderCoefficients diffC;
    FirstOrderCoefficients surrD;
    FirstOrderCoefficients surrE;
    FirstOrderCoefficients surrF;
    BiquadCoefficients elevoLow;
    FirstOrderCoefficients elevoHigh;
};

constexpr VirtualizerCoefficients VirtualizerColumn(ULONG c)
{
    const auto& t = kVirtualizerTable;
    return VirtualizerCoefficients{
        {{t[0][c], t[1][c], t[2][c]}},
        {{t[3][c], t[4][c], t[5][c]}},
        {{t[6][c], t[7][c], t[8][c]}},
        {{t[9][c], t[10][c], t[11][c]}},
        {{t[12][c], t[13][c], t[14][c]}},
        {{t[15][c], t[16][c], t[17][c]}},
        {{t[18][c], t[19][c], t[20][c], t[21][c], t[22][c]}},
        {{t[23][c], t[24][c], t[25][c]}},
    };
}

inline constexpr VirtualizerCoefficients kVirtualizerCoefficients[kKOVARateClassCount] = {
    VirtualizerColumn(KOVARate32000), VirtualizerColumn(KOVARate44100), VirtualizerColumn(KOVARate48000),
    VirtualizerColumn(KOVARate88200), VirtualizerColumn(KOVARate96000),
};

static_assert(kVirtualizerCoefficients[KOVARate32000].diffA.c[0] == 0.995319366f);
static_assert(kVirtualizerCoefficients[KOVARate48000].surrD.c[1] == -0.0643596649f);
static_assert(kVirtualizerCoefficients[KOVARate48000].elevoLow.c[3] == -0.977361023f);
static_assert(kVirtualizerCoefficients[KOVARate96000].elevoHigh.c[2] == -1.94913685f);
