! The library's entry points for Fortran callers:
!   use zarvo_api
! gives procedures of the entry points' names whose arguments the compiler
! checks for type, kind and number, and which pass every text safely.  The
! entry points read a text up to its first zero byte and ignore the length
! a Fortran compiler passes, so these procedures end each text for them:
! - a text that holds a zero byte is passed as it is ('Amp'//char(0));
! - any other text is passed as its characters without trailing blanks,
!   followed by a zero byte ('Amp', or a blank-padded character variable);
! - an all-blank text of one or more characters becomes one blank (a title
!   drawn as one blank, as ' '//char(0)); a text of length 0 stays empty
!   (nothing drawn).
! Every function returns 0, or -1 after one line on the standard error
! stream.  Programs that declare the functions external call the entry
! points themselves and must end every text with char(0).
!
! The procedures use no Fortran run-time library, so their code sits in
! libzarvo beside the entry points.
module zarvo_api
  use, intrinsic :: iso_c_binding, only: c_int32_t, c_float, c_char, c_null_char
  implicit none
  private
  public :: zarvo, zline, zmove, zlabel, plabel, zfont

  ! Blanks are compared by code: a compiler may turn a comparison with ' '
  ! into a call of its run-time library.
  integer, parameter :: blank_code = iachar(' ')

  ! The entry points; texts are arrays of characters up to a zero byte.
  interface
    integer(c_int32_t) function zarvo_entry(np, x, y, xlabel, ylabel, title, para) bind(C, name='zarvo_')
      import :: c_int32_t, c_float, c_char
      integer(c_int32_t), intent(in) :: np
      real(c_float), intent(in) :: x(*), y(*)
      character(kind=c_char), intent(in) :: xlabel(*), ylabel(*), title(*)
      real(c_float), intent(inout) :: para(*)
    end function zarvo_entry

    integer(c_int32_t) function zline_entry(x, y, para) bind(C, name='zline_')
      import :: c_int32_t, c_float
      real(c_float), intent(in) :: x, y
      real(c_float), intent(in) :: para(*)
    end function zline_entry

    integer(c_int32_t) function zmove_entry(x, y, para) bind(C, name='zmove_')
      import :: c_int32_t, c_float
      real(c_float), intent(in) :: x, y
      real(c_float), intent(in) :: para(*)
    end function zmove_entry

    integer(c_int32_t) function zlabel_entry(x, y, label, para) bind(C, name='zlabel_')
      import :: c_int32_t, c_float, c_char
      real(c_float), intent(in) :: x, y
      character(kind=c_char), intent(in) :: label(*)
      real(c_float), intent(in) :: para(*)
    end function zlabel_entry

    integer(c_int32_t) function plabel_entry(x, y, label, para) bind(C, name='plabel_')
      import :: c_int32_t, c_float, c_char
      real(c_float), intent(in) :: x, y
      character(kind=c_char), intent(in) :: label(*)
      real(c_float), intent(in) :: para(*)
    end function plabel_entry

    integer(c_int32_t) function zfont_entry(name) bind(C, name='zfont_')
      import :: c_int32_t, c_char
      character(kind=c_char), intent(in) :: name(*)
    end function zfont_entry
  end interface

contains

  ! One graph of np points x, y (or an added curve, or the plot file's
  ! name in `title` when para(20) < 0); para holds 20 reals, 22 for a
  ! dashed line, and is updated in place.
  integer(c_int32_t) function zarvo(np, x, y, xlabel, ylabel, title, para)
    integer(c_int32_t), intent(in) :: np
    real(c_float), intent(in) :: x(*), y(*)
    character(len=*), intent(in) :: xlabel, ylabel, title
    real(c_float), intent(inout) :: para(*)
    zarvo = zarvo_entry(np, x, y, c_text(xlabel), c_text(ylabel), c_text(title), para)
  end function zarvo

  ! A line from the pen position to the data point (x, y).
  integer(c_int32_t) function zline(x, y, para)
    real(c_float), intent(in) :: x, y
    real(c_float), intent(in) :: para(*)
    zline = zline_entry(x, y, para)
  end function zline

  ! A move to the data point (x, y).
  integer(c_int32_t) function zmove(x, y, para)
    real(c_float), intent(in) :: x, y
    real(c_float), intent(in) :: para(*)
    zmove = zmove_entry(x, y, para)
  end function zmove

  ! A label at (x, y) inches from the frame's lower-left corner.
  integer(c_int32_t) function zlabel(x, y, label, para)
    real(c_float), intent(in) :: x, y
    character(len=*), intent(in) :: label
    real(c_float), intent(in) :: para(*)
    zlabel = zlabel_entry(x, y, c_text(label), para)
  end function zlabel

  ! A label at the data point (x, y).
  integer(c_int32_t) function plabel(x, y, label, para)
    real(c_float), intent(in) :: x, y
    character(len=*), intent(in) :: label
    real(c_float), intent(in) :: para(*)
    plabel = plabel_entry(x, y, c_text(label), para)
  end function plabel

  ! The font number of a font name ('B', 'BI', 'H1', ...), or -1.
  integer(c_int32_t) function zfont(name)
    character(len=*), intent(in) :: name
    zfont = zfont_entry(c_text(name))
  end function zfont

  ! The text as the entry points read it: itself when it holds a zero
  ! byte, else its kept characters followed by a zero byte.
  pure function c_text(text) result(z)
    character(len=*), intent(in) :: text
    character(kind=c_char, len=c_length(text)) :: z
    integer :: n
    if (holds_zero_byte(text)) then
      z = text
    else
      n = len(z) - 1
      z(1:n) = text(1:n)
      z(n + 1:n + 1) = c_null_char
    end if
  end function c_text

  pure integer function c_length(text)
    character(len=*), intent(in) :: text
    if (holds_zero_byte(text)) then
      c_length = len(text)
    else
      c_length = kept_length(text) + 1
    end if
  end function c_length

  pure logical function holds_zero_byte(text)
    character(len=*), intent(in) :: text
    integer :: i
    holds_zero_byte = .false.
    do i = 1, len(text)
      if (text(i:i) == c_null_char) then
        holds_zero_byte = .true.
        return
      end if
    end do
  end function holds_zero_byte

  ! The number of characters before the trailing blanks; 1 for a text of
  ! blanks only (its first blank is kept), 0 for a text of length 0.
  pure integer function kept_length(text)
    character(len=*), intent(in) :: text
    kept_length = len(text)
    do while (kept_length > 1)
      if (iachar(text(kept_length:kept_length)) /= blank_code) return
      kept_length = kept_length - 1
    end do
  end function kept_length

end module zarvo_api
