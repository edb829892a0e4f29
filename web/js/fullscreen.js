// Full screen (the floating tab bar that hides itself) and the collapsible
// sidebar.

let fsHideTimer = 0;
let tabbarHovered = false;

function scheduleTabbarHide() {
  clearTimeout(fsHideTimer);
  fsHideTimer = setTimeout(() => {
    if (state.fullscreen) $('tabbar').classList.add('fs-hidden');
  }, 2200);
}

function showTabbar() {
  $('tabbar').classList.remove('fs-hidden');
  if (state.fullscreen && !tabbarHovered) scheduleTabbarHide();
}

function applyFullscreen(on) {
  state.fullscreen = !!on;
  document.body.classList.toggle('fullscreen', state.fullscreen);
  clearTimeout(fsHideTimer);
  $('tabbar').classList.remove('fs-hidden');
  if (state.fullscreen) scheduleTabbarHide();
  reportContentRect();
}

function watchFullscreenPointer() {
  document.addEventListener('mousemove', (ev) => {
    if (state.fullscreen && ev.clientY <= 60) showTabbar();
  });
  const bar = $('tabbar');
  bar.addEventListener('mouseenter', () => {
    tabbarHovered = true;
    clearTimeout(fsHideTimer);
    bar.classList.remove('fs-hidden');
  });
  bar.addEventListener('mouseleave', () => {
    tabbarHovered = false;
    if (state.fullscreen) scheduleTabbarHide();
  });
}

function setSidebarCollapsed(on) {
  $('app').classList.toggle('collapsed', on);
  setTimeout(reportContentRect, 200);
}
