#!/usr/bin/env python3
"""Writes the five shipped camera files from the descriptions below: python3 tools/make_cameras.py data
and the ideal test cameras: python3 tools/make_cameras.py --ideal tests/data/camera

Each MRTD curve follows from the camera's NETD, pixel angle and blur, rising steeply towards the
Nyquist frequency 1 / (2 IFOV); the spectral responses are the usual 3-5 um and 8-12 um shapes."""
import math
def sinc(x):
    return 1.0 if x == 0 else math.sin(math.pi*x)/(math.pi*x)
def mrtd_curve(netd, ifov, sigma, ifov_det=None, npts=8):
    """MRTD of a staring/sampled imager: rises steeply towards the Nyquist frequency 1/(2 ifov)."""
    ifov_det = ifov_det or ifov
    fn = 1.0/(2*ifov)
    pts = []
    for r in [0.08, 0.18, 0.3, 0.45, 0.6, 0.75, 0.87, 0.95][:npts]:
        f = r*fn
        mtf = math.exp(-2*math.pi**2*sigma**2*f**2)*abs(sinc(f*ifov_det))
        m = 1.5*netd*(0.15 + f*ifov)/mtf/math.sqrt(1-(f/fn)**2)
        pts.append((f, m))
    return pts
def fmt_table(pts):
    s = "%d " % len(pts)
    for x, y in pts:
        s += "%f %f " % (x, y)
    return s
LWIR_BOLO = [(7.5,0.0),(8.0,0.8),(8.5,0.95),(9.0,1.0),(12.0,1.0),(13.0,0.9),(13.5,0.3),(14.0,0.0)]
LWIR_MCT = [(7.7,0.0),(8.0,0.6),(8.5,0.9),(10.0,1.0),(11.5,0.95),(12.0,0.5),(12.3,0.0)]
MWIR_INSB = [(3.0,0.0),(3.2,0.7),(3.5,0.85),(4.0,0.95),(4.8,1.0),(5.0,0.6),(5.2,0.0)]
MWIR_NARROW = [(3.6,0.0),(3.7,0.9),(4.0,1.0),(4.7,1.0),(4.8,0.9),(4.9,0.0)]
def deg(mrad): return mrad/1000*180/math.pi
def camera(c):
    L = []
    L.append(c['line1']); L.append(c['line2'])
    L.append("%f %f   Temperature range" % (c['tmin'], c['tmax']))
    L.append("%f %f   Contrast range" % (c['cmin'], c['cmax']))
    L.append("%f %f   Level range" % (c['lmin'], c['lmax']))
    fh, fv = c['fov']
    L.append("%f %f %f %f %f %f %f %f %d %d %d %d %f %f %f %f %d %d %d %f %f %f %f " % (
        c['netd'], fh, fv, 25, 25, 40, 40, c['atmk'], c['sw'], c['sh'], 8, c['polarity'],
        c['ezoom'], 1.0, 200, 200, 0, c['bg'], c['longwave'], 0, 0, 0, c['tm']))
    L.append(fmt_table(c['mrtdWideH']))
    ft = c['fovTable']
    L.append(fmt_table(c['sr0']) + "%f %f %f %f %f %f " % (ft[0][0], ft[0][1], ft[1][0], ft[1][1], ft[2][0], ft[2][1]) +
             "%d  %f %f %f %d %d" % (c['three'], c['fps'], c['atmt'], 0.0, c['hmode'], 0))
    L.append(fmt_table(c['mrtdWideV']) + "%f %d %f %d" % (0.0, c['vmode'], 0.0, c['fovIndex']))
    L.append(fmt_table(c['mrtdNarrowH']))
    L.append(fmt_table(c['mrtdNarrowV']) + "%d %f %f %f %f %f %f %f" % (c['text'], 1, 1, 1, 1, 1, 3, 50) +
             " %f %f %f %f %f %f %f %f %f" % tuple([0]*9))
    L.append(fmt_table(c.get('sr1', [])))
    L.append(fmt_table([])); L.append(fmt_table([])); L.append(fmt_table([]))
    L.append(fmt_table([]) + " %f %f %f %f" % (0,0,0,0) + " %d" % 0)
    d = c['det']
    L.append(" %d %d %f %f %f %d %d %d %d %d %d %d %f %f %f %f" % (
        c['alt'], 0, 0, 0, 0, d['matrix'], d.get('dcols',0), d.get('cols',0), d.get('rows',0), d.get('dboth',0),
        d.get('drows',0), d.get('lines',0), c['flick'][0], c['flick'][1], 0, 0))
    bw = c['bw']
    fn = c['frameNoise']
    L.append("%f %f %f %f %f %d %d %d %d %d %d %d %d %d %d %f %f %f %d" % (
        bw[0], bw[1], bw[2], bw[3], 0, 0, c['blurFlag'], 0, 0, 0, fn[0], fn[1], fn[2], c['sri'], c['viewMargin'],
        c['blurParam'], c['jitter'][0], c['jitter'][1], 0))
    dv = c['div']
    L.append("%f %f %f %f %f %f %f %f %d %f %f %f %f" % (tuple(dv[0]) + tuple(dv[1]) + (c['divSet'], 0, 0, 0, 0)))
    L.append(fmt_table(c.get('mrtdMediumH', [])))
    L.append(fmt_table(c.get('mrtdAltH', [])))
    L.append("%d %d %d %d %d" % (0, c['interlace'], 0, 0, 0))
    L.append(c['targetName'])
    L.append("%d %d" % (1, 0))
    L.append(" ".join(["%f" % 0]*24)); L.append("%d %d %d %d %d" % (0,0,0,0,0))
    L.append(" ".join(["%f" % 0]*24)); L.append("%d %d %d %d %d" % (0,0,0,0,0))
    L.append(" ".join(["%f" % v for v in c['blurBlock']]) + " %d" % 0)
    L.append("%d %d %d %d %d %d %d %d %d %f %f" % (0,0,0,0, c['atmIndex'], 0, 0, 0, 0, 0, 0))
    L.append("%d" % 0)
    L.append("%d" % c['noiseOption'])
    assert len(L) == 32, len(L)
    return "\n".join(L)

cams = []
# 1: uncooled LWIR microbolometer, 640x480, 17 um pitch, 100 mm lens
ifov = 0.17
c1 = dict(line1="Camera 1: uncooled LWIR microbolometer 640 x 480, 17 um pitch, 100 mm f/1 lens",
          line2="NETD 50 mK at 20 C, 30 Hz, IFOV 0.17 mrad (Nyquist 2.94 cycles/mrad); blur mode 0",
          tmin=-20, tmax=50, cmin=0.5, cmax=20, lmin=-4, lmax=6, fov=(deg(640*ifov), deg(480*ifov)), netd=0.05,
          atmk=0.01, sw=640, sh=480, polarity=0, ezoom=1.0, bg=5261633, longwave=1, tm=20,
          mrtdWideH=mrtd_curve(0.05, ifov, 0.09), sr0=LWIR_BOLO,
          fovTable=[(deg(320*ifov), deg(240*ifov)), (deg(640*ifov), deg(480*ifov)), (deg(640*ifov), deg(480*ifov))],
          three=0, fps=30, atmt=10, hmode=0, vmode=0, fovIndex=2,
          mrtdWideV=mrtd_curve(0.05, ifov, 0.09), mrtdNarrowH=mrtd_curve(0.05, ifov/2, 0.05), mrtdNarrowV=mrtd_curve(0.05, ifov/2, 0.05),
          text=16777215, alt=0, det=dict(matrix=1, cols=640, rows=480), flick=(0,0), bw=(0.08, 0.08, 0.06, 0.045),
          blurFlag=0, frameNoise=(100, 5, 5), sri=0, viewMargin=0, blurParam=0.05, jitter=(0,0),
          div=[(3,3,3,3),(3,3,3,3)], divSet=0, interlace=0, targetName="mira.tag", blurBlock=[0]*24, atmIndex=0, noiseOption=0)
cams.append(c1)
# 2: cooled MWIR InSb staring array 640x512, 15 um, 100 mm; three fields; response in table 1; flicker
ifov = 0.15
c2 = dict(line1="Camera 2: cooled MWIR InSb staring array 640 x 512, 15 um pitch, 100/150/300 mm lens",
          line2="NETD 20 mK at 20 C, 50 Hz, IFOV 0.15 mrad in the wide field; blur mode 1, response 3-5 um in table 1",
          tmin=-20, tmax=50, cmin=0.2, cmax=15, lmin=-4, lmax=6, fov=(deg(640*ifov), deg(512*ifov)), netd=0.02,
          atmk=0.01, sw=640, sh=512, polarity=0, ezoom=1.0, bg=4210752, longwave=0, tm=20,
          mrtdWideH=mrtd_curve(0.02, ifov, 0.07), sr0=MWIR_NARROW,
          fovTable=[(deg(640*ifov/3), deg(512*ifov/3)), (deg(640*ifov/1.5), deg(512*ifov/1.5)), (deg(640*ifov), deg(512*ifov))],
          three=1, fps=50, atmt=10, hmode=1, vmode=0, fovIndex=2,
          mrtdWideV=mrtd_curve(0.02, ifov, 0.07), mrtdNarrowH=mrtd_curve(0.02, ifov/3, 0.03), mrtdNarrowV=mrtd_curve(0.02, ifov/3, 0.03),
          mrtdMediumH=mrtd_curve(0.02, ifov/1.5, 0.05), sr1=MWIR_INSB,
          text=16777215, alt=0, det=dict(matrix=1, cols=640, rows=512), flick=(0.02, 0.05), bw=(0,0,0,0),
          blurFlag=0, frameNoise=(100, 3, 3), sri=1, viewMargin=1, blurParam=0.03, jitter=(0,0),
          div=[(3.1, 4.6, 9.3, 3.1),(5.6, 8.4, 17.0, 5.6)], divSet=0, interlace=0, targetName="", blurBlock=[0]*24, atmIndex=1, noiseOption=1)
cams.append(c2)
# 3: LWIR scanning detector, 240 lines doubled to 480; blur from the MRTD curve; jitter
ifov = 87.27/640
c3 = dict(line1="Camera 3: LWIR scanning MCT detector, 240 lines interlaced to 480, 5 x 3.75 degree field",
          line2="NETD from the MRTD curve (blur mode 2), 25 Hz, 0.14 mrad per image pixel, 0.25 mrad detector; scan jitter",
          tmin=-20, tmax=50, cmin=0.3, cmax=20, lmin=-4, lmax=6, fov=(5.0, 3.75), netd=0.08,
          atmk=0.01, sw=640, sh=480, polarity=0, ezoom=1.0, bg=5261633, longwave=1, tm=20,
          mrtdWideH=mrtd_curve(0.1, ifov, 0.08, ifov_det=0.25), sr0=LWIR_MCT,
          fovTable=[(2.5, 1.875), (5.0, 3.75), (5.0, 3.75)],
          three=0, fps=25, atmt=10, hmode=2, vmode=0, fovIndex=2,
          mrtdWideV=mrtd_curve(0.1, ifov, 0.1, ifov_det=0.25), mrtdNarrowH=mrtd_curve(0.1, ifov/2, 0.05, ifov_det=0.125),
          mrtdNarrowV=mrtd_curve(0.1, ifov/2, 0.06, ifov_det=0.125),
          text=16777215, alt=0, det=dict(matrix=0, lines=240, dboth=1), flick=(0,0), bw=(0,0,0,0),
          blurFlag=0, frameNoise=(0, 0, 0), sri=0, viewMargin=1, blurParam=0.0, jitter=(0.3, 0.1),
          div=[(3,3,3,3),(3,3,3,3)], divSet=0, interlace=1, targetName="", blurBlock=[0]*24, atmIndex=2, noiseOption=0)
cams.append(c3)
# 4: long-range narrow-field cooled LWIR with alternative optics; blur mode 3
ifov = 0.1
bb = [0]*24
bb[4*0+1] = 0.12  # vertical, alternative optics
bb[4*1+1] = 0.11  # horizontal, alternative optics
bb[4*0+0] = 0.14; bb[4*1+0] = 0.13
c4 = dict(line1="Camera 4: long-range cooled LWIR MCT 640 x 512, 15 um pitch, 150 mm f/4 alternative optics",
          line2="NETD 25 mK at 20 C, 60 Hz, IFOV 0.1 mrad, diffraction-limited (blur mode 3), moderate atmosphere",
          tmin=-20, tmax=50, cmin=0.25, cmax=15, lmin=-4, lmax=6, fov=(deg(640*ifov), deg(512*ifov)), netd=0.025,
          atmk=0.02, sw=640, sh=512, polarity=1, ezoom=1.0, bg=3355443, longwave=1, tm=20,
          mrtdWideH=mrtd_curve(0.025, 0.2, 0.16), sr0=LWIR_MCT,
          fovTable=[(deg(640*ifov), deg(512*ifov)), (deg(640*ifov), deg(512*ifov)), (deg(640*0.2), deg(512*0.2))],
          three=0, fps=60, atmt=10, hmode=3, vmode=0, fovIndex=2,
          mrtdWideV=mrtd_curve(0.025, 0.2, 0.17), mrtdNarrowH=mrtd_curve(0.025, ifov, 0.11), mrtdNarrowV=mrtd_curve(0.025, ifov, 0.12),
          mrtdAltH=mrtd_curve(0.025, ifov, 0.115),
          text=8454016, alt=1, det=dict(matrix=1, cols=640, rows=512), flick=(0,0), bw=(0,0,0,0),
          blurFlag=0, frameNoise=(100, 2, 4), sri=0, viewMargin=1, blurParam=0.0, jitter=(0,0),
          div=[(3,3,3,3),(3,3,3,3)], divSet=0, interlace=0, targetName="", blurBlock=bb, atmIndex=3, noiseOption=1)
cams.append(c4)
# 5: short-range wide-field uncooled; blur mode 4 with divisor set 1
ifov = 0.343
bb = [0]*24
bb[4*5+0] = 0.12  # horizontal mode 4, set 1, wide
bb[4*4+0] = 0.13  # vertical mode 4, set 1, wide
bb[4*3+0] = 0.2; bb[4*2+0] = 0.2
c5 = dict(line1="Camera 5: short-range wide-field uncooled LWIR microbolometer 640 x 480, 12 um pitch, 35 mm lens",
          line2="NETD 60 mK at 20 C, 30 Hz, IFOV 0.34 mrad (Nyquist 1.46 cycles/mrad); blur mode 4",
          tmin=-20, tmax=50, cmin=0.6, cmax=20, lmin=-4, lmax=6, fov=(deg(640*ifov), deg(480*ifov)), netd=0.06,
          atmk=0.01, sw=640, sh=480, polarity=0, ezoom=1.0, bg=5261633, longwave=1, tm=20,
          mrtdWideH=mrtd_curve(0.06, ifov, 0.15), sr0=LWIR_BOLO,
          fovTable=[(deg(640*ifov/2), deg(480*ifov/2)), (deg(640*ifov), deg(480*ifov)), (deg(640*ifov), deg(480*ifov))],
          three=0, fps=30, atmt=10, hmode=4, vmode=0, fovIndex=2,
          mrtdWideV=mrtd_curve(0.06, ifov, 0.16), mrtdNarrowH=mrtd_curve(0.06, ifov/2, 0.08), mrtdNarrowV=mrtd_curve(0.06, ifov/2, 0.08),
          text=16777215, alt=0, det=dict(matrix=1, cols=640, rows=480), flick=(0,0), bw=(0,0,0,0),
          blurFlag=0, frameNoise=(100, 8, 12), sri=0, viewMargin=1, blurParam=0.0, jitter=(0,0),
          div=[(3,3,3,3),(3,3,3,3)], divSet=1, interlace=0, targetName="", blurBlock=bb, atmIndex=1, noiseOption=0)
cams.append(c5)
# The ideal cameras of the observer's calibration (tests/data/camera): staring arrays with a narrow
# Gaussian blur (0.2 pixel), white per-pixel noise only, no flicker, jitter or atmosphere; they
# differ in pixel angle, NETD and frame rate.
# The display window (contrastMin) spans about four times the noise at the 0 C scene, so that a grey
# step stays well below the MRTD at 0.5 cycles/mrad while little of the noise is clipped.
# The transfer cameras add photon-limited noise (noiseOption 1, the noise following the scene's
# signal), the blur flag (half the blur, twice the noise) and a MWIR response at other rates.
def ideal(name, ifov, netd, fps, sw, sh, photon=0, flag=0, mwir=False, tm=20, blur=None):
    f = dict(c1)
    kind = ("photon-limited" if photon else "white pixel noise only") + (", blur flag" if flag else "")
    sigma = blur if blur is not None else 0.2*ifov
    f.update(line1="Ideal camera %s: %d x %d staring array, %.3f mrad pixels" % (name, sw, sh, ifov) if blur is not None
                   else "Ideal camera %s: %d x %d staring array, %.2f mrad pixels" % (name, sw, sh, ifov),
             line2=("NETD %g mK at %g C, %g Hz, Gaussian blur %g mrad, %s" % (netd*1000, tm, fps, blur, kind)) if blur is not None
                   else "NETD %g mK at %g C, %g Hz, Gaussian blur 0.2 pixel, %s" % (netd*1000, tm, fps, kind),
             fov=(deg(sw*ifov), deg(sh*ifov)), netd=netd, atmk=0.0, sw=sw, sh=sh, cmin=round(5.6*netd, 3),
             fovTable=[(deg(sw*ifov), deg(sh*ifov))]*3, fps=fps, hmode=0, vmode=0, fovIndex=2,
             mrtdWideH=mrtd_curve(netd, ifov, sigma), mrtdWideV=mrtd_curve(netd, ifov, sigma),
             mrtdNarrowH=mrtd_curve(netd, ifov, sigma), mrtdNarrowV=mrtd_curve(netd, ifov, sigma),
             det=dict(matrix=1, cols=sw, rows=sh), flick=(0, 0), bw=(sigma,)*4, blurParam=0.0,
             frameNoise=(100, 0, 0), jitter=(0, 0), noiseOption=photon, blurFlag=flag, tm=tm)
    if flag: # the flag halves the blur: give it twice the width so that 0.2 pixel stays
        f.update(bw=(0.4*ifov,)*4)
    if mwir:
        f.update(sr0=MWIR_NARROW, longwave=0)
    return f
import sys
if len(sys.argv) > 2 and sys.argv[1] == "--ideal":
    for name, c in (("fine", ideal("fine", 0.15, 0.05, 15, 320, 240)), ("coarse", ideal("coarse", 0.25, 0.1, 10, 256, 192)),
                    ("mwir50", ideal("mwir50", 0.09, 0.05, 50, 384, 288, photon=1, flag=1, mwir=True, tm=25)),
                    ("fast60", ideal("fast60", 0.2, 0.03, 60, 256, 192)),
                    ("photon25", ideal("photon25", 0.12, 0.08, 25, 320, 240, photon=1)),
                    ("flag30", ideal("flag30", 0.3, 0.1, 30, 256, 192, flag=1)),
                    ("sharp42", ideal("sharp42", 1/(2*4.2), 0.04, 30, 320, 256, blur=0.03))):
        open(sys.argv[2] + "/ideal_%s.par" % name, "w").write(camera(c))
    sys.exit(0)
for i, c in enumerate(cams, 1):
    open(sys.argv[1] + "/camera%d.par" % i, "w").write(camera(c))
    print(i, [("%.2f" % f, "%.3f" % m) for f, m in c['mrtdWideH' if not c['alt'] else 'mrtdAltH']])
