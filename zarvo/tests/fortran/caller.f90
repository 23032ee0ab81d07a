! A numerical program that plots through the library's entry points, with
! every argument passed by reference and the hidden text lengths appended
! by the compiler.  It writes the plot file "pltfil" (or $pltfil) and prints
! the status of every call on one line, then the font numbers it looked up.
program caller
  implicit none
  integer :: zarvo, zline, zmove, zlabel, plabel, zfont
  external :: zarvo, zline, zmove, zlabel, plabel, zfont
  real :: para(22), x(5), y(5), xs, ys, xe, ye
  integer :: np, st(14), i
  character(len=1), parameter :: nul = char(0)

  ! Graph 1: caller-given ranges and ticks, data units equal to plot units.
  para = 0.0
  para(1) = 8.0
  para(2) = 4.0
  para(3) = 0.0
  para(5) = 2400.0
  para(4) = -600.0
  para(6) = 600.0
  para(7) = 0.0
  para(9) = 600.0
  para(8) = -600.0
  para(10) = 300.0
  para(15) = 1.0
  x = (/ 0.0, 600.0, 1200.0, 1800.0, 2400.0 /)
  y = (/ 0.0, 300.0, 600.0, -300.0, 0.0 /)
  np = 5
  st(1) = zarvo(np, x, y, 'Time (s)'//nul, 'Amp'//nul, 'Fortran caller'//nul, para)
  xs = 0.0
  ys = 0.0
  xe = 2400.0
  ye = 0.0
  st(2) = zmove(xs, ys, para)
  st(3) = zline(xe, ye, para)
  xs = 1.0
  ys = 4.25
  st(4) = zlabel(xs, ys, 'Graph \fBone\fP: \(*a\u2\d'//nul, para)
  para(19) = 90.0
  xs = 1200.0
  ys = 600.0
  st(5) = plabel(xs, ys, 'peak'//nul, para)
  para(19) = 0.0

  ! Graph 2 in the same file: ranges and ticks found from the data, then
  ! a dashed curve, polygon markers and character markers added.
  para(12) = 0.0
  para(3:10) = 0.0
  para(15) = 2.0
  do i = 1, 5
    x(i) = real(i - 1) * 0.25
    y(i) = real((i - 3)**2) * 0.1
  end do
  st(6) = zarvo(np, x, y, 'Distance (\(*D)'//nul, 'Misfit'//nul, ' '//nul, para)
  para(12) = 1.0
  para(14) = -1.0
  para(21) = 0.5
  para(22) = 0.25
  y = y + 0.05
  st(7) = zarvo(np, x, y, nul, nul, nul, para)
  para(13) = -5.0
  para(14) = 1.5
  st(8) = zarvo(np, x, y, nul, nul, nul, para)
  para(13) = 43.0
  para(14) = 3.0
  para(12) = -1.0
  y = y - 0.1
  st(9) = zarvo(np, x, y, 'Distance (\(*D)'//nul, 'Misfit'//nul, 'Second'//nul, para)
  para(13) = 0.0
  para(14) = 0.0
  xs = 0.5
  ys = 0.2
  st(10) = zmove(xs, ys, para)
  xs = 0.75
  st(11) = zline(xs, ys, para)

  ! Refusals: a label off the plot, and a block whose plot is not open.
  xs = -5.0
  ys = 1.0
  st(12) = zlabel(xs, ys, 'off'//nul, para)
  para(20) = 0.0
  st(13) = zline(xs, ys, para)
  st(14) = plabel(xs, ys, 'none'//nul, para)

  print '(14I3)', st
  print '(6I4)', zfont('B'//nul), zfont('BI'//nul), zfont('H1'//nul), zfont('Q'//nul), &
       zfont(nul), zfont('B '//nul)
end program caller
