! A real where the point count is an integer: zarvo_api must refuse it.
program bad_count
  use zarvo_api
  implicit none
  real :: para(20), x(2), y(2), n
  integer :: st
  para = 0.0
  x = 0.0
  y = 0.0
  n = 2.0
  st = zarvo(n, x, y, 'x'//char(0), 'y'//char(0), ' '//char(0), para)
end program bad_count
