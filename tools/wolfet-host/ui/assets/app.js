document.getElementById('app').textContent = 'Wolf ET';
