! Calls the worker pool's Fortran entries as a Fortran program does: a parallel loop whose
! procedure takes its lines and arguments by reference, a pipeline task, a Hilbert
! renumbering and the clock. Prints FORTRAN POOL OK when every check holds.
program poolentries
  implicit none
  integer(8) :: pool, initparallel, cnt, num(4)
  integer(4) :: newtype, getnumberofcores, launchpipeline
  integer(4) :: nthr, typ, zero, two, lines, wgt, i, none, tsk, src, dst
  real(4) :: launchparallel, res
  double precision :: hilbertrenumbering, getwallclock, crd(3, 4), box(6), hres, t0
  integer(4), allocatable :: vals(:)
  external filllines, copyvalue

  nthr = 3
  pool = initparallel(nthr)
  if (pool == 0) stop 1

  lines = 1000
  typ = newtype(pool, lines)
  if (typ /= 1) stop 2
  allocate(vals(lines))
  vals = 0
  zero = 0
  two = 2
  wgt = 3
  res = launchparallel(pool, typ, zero, filllines, two, vals, wgt)
  if (abs(res - 3.0) > 0.5) stop 3
  do i = 1, lines
    if (vals(i) /= 3 * i) stop 4
  end do

  none = 0
  src = 17
  dst = 0
  tsk = launchpipeline(pool, none, none, copyvalue, two, dst, src)
  if (tsk /= 1) stop 5
  call waitpipeline(pool)
  if (dst /= 17) stop 6

  box = (/ 0d0, 0d0, 0d0, 1d0, 1d0, 1d0 /)
  crd = reshape((/ 1d0, 1d0, 1d0, 0d0, 0d0, 0d0, 1d0, 0d0, 0d0, 0d0, 1d0, 0d0 /), (/ 3, 4 /))
  cnt = 4
  hres = hilbertrenumbering(pool, cnt, box, crd, num)
  if (abs(hres - 1d0) > 0.5d0) stop 7
  if (num(2) /= 1) stop 8
  if (sum(num) /= 10) stop 9

  if (getnumberofcores() < 1) stop 10
  t0 = getwallclock()
  if (t0 < 1.5d9) stop 11

  call stopparallel(pool)
  if (pool /= 0) stop 12
  deallocate(vals)
  print '(a)', 'FORTRAN POOL OK'
end program poolentries

subroutine filllines(beg, fin, thr, vals, wgt)
  implicit none
  integer(4) :: beg, fin, thr, wgt, vals(*)
  integer(4) :: i
  if (thr < 0) return
  do i = beg, fin
    vals(i) = wgt * i
  end do
end subroutine filllines

subroutine copyvalue(dst, src)
  implicit none
  integer(4) :: dst, src
  dst = src
end subroutine copyvalue
