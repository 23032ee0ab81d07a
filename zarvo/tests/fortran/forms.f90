! The same plot through the module zarvo_api with its texts in one of three
! forms, named by the argument: "literal" (plain literals, as Fortran
! programs write them), "padded" (blank-padded character(len=40) variables)
! or "zero" (literals ended by char(0)).  It names the plot file
! "forms.plt", draws two graphs with labels, prints the statuses of its
! calls on one line and the font numbers it looked up on another.
program forms
  implicit none
  character(len=1), parameter :: nul = char(0)
  character(len=40) :: form, name, xt, yt, tt, lead, blanks, font1, font2
  character(len=0) :: none

  call get_command_argument(1, form)
  select case (form)
  case ('literal')
    call draw('forms.plt', 'Time (s)', 'Amp', 'Damped wave', '  lead', '   ', '', 'B', 'BI')
  case ('padded')
    name = 'forms.plt'
    xt = 'Time (s)'
    yt = 'Amp'
    tt = 'Damped wave'
    lead = '  lead'
    blanks = ' '
    font1 = 'B'
    font2 = 'BI'
    call draw(name, xt, yt, tt, lead, blanks, none, font1, font2)
  case ('zero')
    call draw('forms.plt'//nul, 'Time (s)'//nul, 'Amp'//nul, 'Damped wave'//nul, '  lead'//nul, &
              ' '//nul, nul, 'B'//nul, 'BI'//nul)
  case default
    stop 2
  end select

contains

  ! Every procedure of the module, each text passed as the caller gave it.
  subroutine draw(name, xt, yt, tt, lead, blanks, empty, font1, font2)
    use zarvo_api
    character(len=*), intent(in) :: name, xt, yt, tt, lead, blanks, empty, font1, font2
    real :: para(20), x(5), y(5)
    integer :: st(10), i

    para = 0.0
    para(20) = -1.0
    x = 0.0
    y = 0.0
    st(1) = zarvo(5, x, y, empty, empty, name, para)

    para(1) = 6.0
    para(2) = 3.0
    do i = 1, 5
      x(i) = real(i - 1)
      y(i) = real(6 - i) * 0.5 * (-1.0)**i
    end do
    st(2) = zarvo(5, x, y, xt, yt, tt, para)
    st(3) = zmove(0.0, 0.0, para)
    st(4) = zline(4.0, 0.0, para)
    st(5) = zlabel(0.5, 2.5, lead, para)
    st(6) = plabel(2.0, 1.0, blanks, para)
    st(7) = zlabel(1.0, 1.0, empty, para)

    ! A second graph whose y-axis title and title are all blanks.
    para(12) = 0.0
    para(3:10) = 0.0
    st(8) = zarvo(5, x, y, xt, blanks, blanks, para)
    st(9) = plabel(1.0, 1.0, tt, para)
    st(10) = zlabel(-9.0, 0.0, yt, para)

    print '(10(I0,:," "))', st
    print '(4(I0,:," "))', zfont(font1), zfont(font2), zfont(blanks), zfont(empty)
  end subroutine draw

end program forms
