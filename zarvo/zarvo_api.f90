! Explicit interfaces of the library's entry points for Fortran callers:
!   use zarvo_api
! makes the compiler check the type, kind and number of every argument.
! The calls stay what they are without the module: every argument by
! reference, the hidden lengths of the texts appended.  Texts end at their
! first zero byte ('Amp'//char(0)).  Every function returns 0, or -1 after
! one line on the standard error stream.
module zarvo_api
  use, intrinsic :: iso_c_binding, only: c_int32_t, c_float
  implicit none
  private
  public :: zarvo, zline, zmove, zlabel, plabel, zfont

  interface
    ! One graph of np points x, y (or an added curve, or the plot file's
    ! name in `title` when para(20) < 0); para holds 20 reals, 22 for a
    ! dashed line.
    integer(c_int32_t) function zarvo(np, x, y, xlabel, ylabel, title, para)
      import :: c_int32_t, c_float
      integer(c_int32_t), intent(in) :: np
      real(c_float), intent(in) :: x(*), y(*)
      character(len=*), intent(in) :: xlabel, ylabel, title
      real(c_float), intent(inout) :: para(*)
    end function zarvo

    ! A line from the pen position to the data point (x, y).
    integer(c_int32_t) function zline(x, y, para)
      import :: c_int32_t, c_float
      real(c_float), intent(in) :: x, y
      real(c_float), intent(in) :: para(*)
    end function zline

    ! A move to the data point (x, y).
    integer(c_int32_t) function zmove(x, y, para)
      import :: c_int32_t, c_float
      real(c_float), intent(in) :: x, y
      real(c_float), intent(in) :: para(*)
    end function zmove

    ! A label at (x, y) inches from the frame's lower-left corner.
    integer(c_int32_t) function zlabel(x, y, label, para)
      import :: c_int32_t, c_float
      real(c_float), intent(in) :: x, y
      character(len=*), intent(in) :: label
      real(c_float), intent(in) :: para(*)
    end function zlabel

    ! A label at the data point (x, y).
    integer(c_int32_t) function plabel(x, y, label, para)
      import :: c_int32_t, c_float
      real(c_float), intent(in) :: x, y
      character(len=*), intent(in) :: label
      real(c_float), intent(in) :: para(*)
    end function plabel

    ! The font number of a font name ('B'//char(0)), or -1.
    integer(c_int32_t) function zfont(name)
      import :: c_int32_t
      character(len=*), intent(in) :: name
    end function zfont
  end interface
end module zarvo_api
