! The calls of calls.c, checked against the interfaces of zarvo_api.
program calls
  use zarvo_api
  implicit none
  character(len=1), parameter :: nul = char(0)
  real :: para(20), x(5), y(5)
  integer :: st(5)
  para = 0.0
  para(1) = 6.0
  para(2) = 3.0
  x = (/ 0.0, 1.0, 2.0, 3.0, 4.0 /)
  y = (/ 0.0, 2.0, -1.0, 3.0, 1.0 /)
  st(1) = zarvo(5, x, y, 'Time (s)'//nul, 'Amp'//nul, 'Installed'//nul, para)
  st(2) = zmove(0.0, 0.0, para)
  st(3) = zline(4.0, 0.0, para)
  st(4) = zlabel(0.5, 2.5, '\fRRoman \(*a\u2\d'//nul, para)
  st(5) = plabel(3.0, 3.0, 'peak'//nul, para)
  print '(6(I0,:," "))', st, zfont('R'//nul)
end program calls
